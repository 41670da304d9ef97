#pragma once

#include <QString>
#include <QStringList>

#include <atomic>
#include <thread>

namespace vrl {
class TvrlForm;
}

namespace vrl::test {

class ScriptedPrompts;

// The port of the MariaDB server of ./dev test; empty outside it.
QString serverPort();
// Runs statements on the test server as its administrator would.
void onServer(const QStringList &statements);
// Chooses a table of the table choice by its listed name, as the user picks it.
void chooseTable(TvrlForm &form, const QString &table);
// Chooses the workbook kind and connects to the file through the file dialog.
void connectWorkbook(TvrlForm &form, ScriptedPrompts &prompts, const QString &path);
// The first value of the first row a statement gives on the test server; empty without rows.
QString valueOnServer(const QString &statement);
// A database name of the running test alone: "vorlan_" + the prefix + "_" + the test's name.
QString databaseOfThisTest(const QString &prefix);
// The statements of an SQL script of the examples folder, as the user would run them with the
// database's client: split at a semicolon that ends a line, comment lines and SET NAMES left out.
QStringList exampleScript(const QString &fileName);
// A fresh database of the given name on the test server (dropped first when it exists).
void freshDatabase(const QString &name, const QStringList &statementsInIt = {});
// Answers the next MySQL dialog (the main window's and the import's) as a user types the test
// server (or the server on another port), the database and the login into it.
void answerMySqlDialog(TvrlForm &form, ScriptedPrompts &prompts, const QString &database,
                       const QString &password = QStringLiteral("vorlan"),
                       const QString &user = QStringLiteral("vorlan"),
                       const QString &port = serverPort());
// Chooses the MySQL kind and connects through the real dialog and template.
void connectMySql(TvrlForm &form, ScriptedPrompts &prompts, const QString &database,
                  const QString &password = QStringLiteral("vorlan"),
                  const QString &user = QStringLiteral("vorlan"),
                  const QString &port = serverPort());

// On the server, as its administrator: waits (up to 20 s) for a statement holding the marker
// (any statement for an empty one) to run on another connection to the database and kills
// that connection.
class ConnectionKiller
{
public:
    ConnectionKiller(const QString &database, const QString &marker);
    ~ConnectionKiller();
    bool killed(); // waits for the killer to be done

private:
    std::atomic<bool> m_killed { false };
    std::thread m_thread;
};

} // namespace vrl::test

#define NEEDS_SERVER()                                                                             \
    if (vrl::test::serverPort().isEmpty())                                                         \
    GTEST_SKIP() << "no MariaDB server (./dev test provides one)"
