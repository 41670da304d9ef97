#pragma once

#include "access/Provider.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace vrl {

// A connection to one database, described by a connection string whose "Provider=" chooses
// the provider. Closing it closes every dataset on it.
class Connection : public QObject
{
    Q_OBJECT

public:
    // Asks for user name and password (the name comes prefilled); false = cancelled. The
    // application installs one; without it the login prompt asks nothing.
    using LoginHandler = std::function<bool(QString &user, QString &password)>;
    static void setLoginHandler(LoginHandler handler);

    explicit Connection(QObject *parent = nullptr);
    ~Connection() override;

    QString connectionString() const { return m_connectionString; }
    void setConnectionString(const QString &text) { m_connectionString = text; }
    bool loginPrompt() const { return m_loginPrompt; }
    void setLoginPrompt(bool on) { m_loginPrompt = on; }
    int connectionTimeout() const { return m_connectionTimeout; } // seconds
    void setConnectionTimeout(int seconds) { m_connectionTimeout = seconds; }
    int commandTimeout() const { return m_commandTimeout; } // seconds
    void setCommandTimeout(int seconds) { m_commandTimeout = seconds; }

    // Opens with the current string (closing first when open); throws DataError.
    void open();
    void close();
    bool isConnected() const;

    // Plain names of the tables and views, in the catalogue's order.
    QStringList tableNames();

    // The open provider; throws DataError when the connection is not open.
    Provider &provider();
    // Runs a call on the open provider that waits on the server through the installed wait (see
    // ServerWait): a window keeps painting meanwhile, and a stop asks the provider to cancel
    // the statement, which then ends with its failure. onStop, when given, is told of a stop
    // as well (on the waiting thread), so that work of many statements sends no more.
    void waitOnServer(const std::function<void()> &work, const std::function<void()> &onStop = {});
    // The same for one statement.
    StatementResult run(const QString &statement, const std::vector<Value> &parameters = {});

    // The SQL of the open provider; Standard while closed.
    SqlDialect sqlDialect() const
    {
        return m_provider ? m_provider->sqlDialect() : SqlDialect::Standard;
    }

signals:
    // Sent before the provider closes, so that the datasets on it close first.
    void closing();

private:
    QString m_connectionString;
    bool m_loginPrompt = false;
    int m_connectionTimeout = 15;
    int m_commandTimeout = 30;
    std::unique_ptr<Provider> m_provider;
};

} // namespace vrl
