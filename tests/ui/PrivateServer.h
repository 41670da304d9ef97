#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <atomic>
#include <thread>

namespace vrl::test {

// A MariaDB server of one test alone, in a temporary folder, for the faults that take the whole
// server down: the server of ./dev test is shared by every test running beside this one. Made
// with the same programs ./dev uses; the test user "vorlan" (password "vorlan") may do anything.
class PrivateServer
{
public:
    PrivateServer();
    ~PrivateServer();

    // Why the server could not be made or started; empty when it runs.
    QString failure() const { return m_failure; }
    QString port() const { return QString::number(m_port); }
    // Starts the server on its data (again after a kill) and waits until it answers.
    bool start();
    // Kills the server process outright, as a crash or an out-of-memory killer would.
    void kill();
    // Kills the server from another thread as soon as a statement holding the marker runs on it
    // (waits up to 20 s); killed() waits for that thread and says whether it killed.
    void killDuring(const QString &marker);
    bool killed();
    // Runs statements as the server's administrator; false (and failure()) when they fail.
    bool run(const QString &statements);
    // The first value the statement gives, run as the administrator; empty without rows.
    QString value(const QString &statement);

private:
    QString socket() const { return m_folder.filePath(QStringLiteral("mysql.sock")); }
    bool answers();

    QTemporaryDir m_folder;
    QProcess m_server;
    int m_port = 0;
    QString m_failure;
    std::thread m_killer;
    std::atomic<bool> m_killed { false };
};

} // namespace vrl::test
