#include "access/Connection.h"
#include "access/ServerWait.h"

#include "access/DataError.h"
#include "access/ResultMemory.h"

namespace vrl {

namespace {

Connection::LoginHandler &loginHandler()
{
    static Connection::LoginHandler handler;
    return handler;
}

// The user name a string already names, to prefill the login prompt.
QString userOf(const ConnectionString &string)
{
    for (const char *key : { "User ID", "UID", "User" }) {
        if (string.contains(QLatin1String(key)))
            return string.value(QLatin1String(key));
    }
    if (string.contains(QStringLiteral("Extended Properties"))) {
        try {
            return userOf(ConnectionString(string.value(QStringLiteral("Extended Properties"))));
        } catch (const DataError &) { }
    }
    return QString();
}

} // namespace

void Connection::setLoginHandler(LoginHandler handler)
{
    loginHandler() = std::move(handler);
}

Connection::Connection(QObject *parent)
    : QObject(parent)
{ }

Connection::~Connection()
{
    close();
}

void Connection::open()
{
    close();
    const ConnectionString string(m_connectionString);
    ConnectOptions options;
    options.connectionTimeout = m_connectionTimeout;
    options.commandTimeout = m_commandTimeout;
    if (m_loginPrompt && loginHandler()) {
        options.user = userOf(string);
        if (!loginHandler()(options.user, options.password))
            throw DataError(QStringLiteral("Přihlášení bylo zrušeno."));
        options.credentialsGiven = true;
    }
    std::unique_ptr<Provider> provider = createProvider(string);
    // The connect waits on the server as a statement does, so that a window keeps painting up
    // to the login time-out; it cannot be stopped (no cancel is given).
    Provider &opening = *provider;
    vrl::waitOnServer([&] { opening.open(string, options); }, {});
    m_provider = std::move(provider);
}

void Connection::close()
{
    if (!m_provider)
        return;
    emit closing();
    m_provider->close();
    m_provider.reset();
    // What the connection held in small blocks (a workbook's cells and its embedded database)
    // goes back to the system now, not only when the heap's top happens to be free.
    releaseFreedMemory();
}

bool Connection::isConnected() const
{
    return m_provider && m_provider->isOpen();
}

QStringList Connection::tableNames()
{
    return provider().tableNames();
}

void Connection::waitOnServer(const std::function<void()> &work,
                              const std::function<void()> &onStop)
{
    Provider &open = provider();
    open.resetCancel();
    vrl::waitOnServer(work, [&open, &onStop] {
        if (onStop)
            onStop();
        open.cancel();
    });
}

StatementResult Connection::run(const QString &statement, const std::vector<Value> &parameters)
{
    Provider &open = provider();
    StatementResult result;
    waitOnServer([&] { result = open.run(statement, parameters); });
    return result;
}

Provider &Connection::provider()
{
    if (!m_provider)
        throw DataError(QStringLiteral("Databáze není připojena."));
    return *m_provider;
}

} // namespace vrl
