#include "access/odbc/OdbcProvider.h"

#include "access/DataError.h"
#include "access/odbc/OdbcParameters.h"
#include "access/odbc/OdbcResultReader.h"
#include "access/odbc/SqlServerNames.h"

namespace vrl {

using namespace odbc;

namespace {

EnvHandle newEnvironment()
{
    SQLHANDLE env = SQL_NULL_HANDLE;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)))
        throw DataError(QStringLiteral("Správce ovladačů ODBC nelze spustit."));
    EnvHandle handle(env);
    check(SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
          SQL_HANDLE_ENV, env);
    return handle;
}

} // namespace

OdbcProvider::~OdbcProvider()
{
    close();
}

QStringList OdbcProvider::registeredDrivers()
{
    EnvHandle env = newEnvironment();
    QStringList names;
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    for (;;) {
        SQLWCHAR name[256] = {};
        SQLWCHAR attributes[1024] = {};
        SQLSMALLINT nameLength = 0, attributesLength = 0;
        const SQLRETURN got
            = SQLDriversW(env.get(), direction, name, SQLSMALLINT(std::size(name)), &nameLength,
                          attributes, SQLSMALLINT(std::size(attributes)), &attributesLength);
        if (!SQL_SUCCEEDED(got))
            break;
        names << fromWide(name, std::min<qsizetype>(nameLength, 255));
        direction = SQL_FETCH_NEXT;
    }
    return names;
}

void OdbcProvider::open(const ConnectionString &string, const ConnectOptions &options)
{
    close();
    const OdbcTarget target = odbcTargetFor(string, options, registeredDrivers(),
                                            qEnvironmentVariable("VORLAN_SQLSERVER_DRIVER"));
    m_env = newEnvironment();
    SQLHANDLE dbc = SQL_NULL_HANDLE;
    check(SQLAllocHandle(SQL_HANDLE_DBC, m_env.get(), &dbc), SQL_HANDLE_ENV, m_env.get());
    m_dbc = DbcHandle(dbc);
    if (options.connectionTimeout > 0)
        SQLSetConnectAttr(dbc, SQL_ATTR_LOGIN_TIMEOUT,
                          reinterpret_cast<SQLPOINTER>(SQLULEN(options.connectionTimeout)), 0);
    SQLWCHAR completed[2048] = {};
    SQLSMALLINT completedLength = 0;
    const SQLRETURN connected = SQLDriverConnectW(
        dbc, nullptr, wide(target.connectionString), SQL_NTS, completed,
        SQLSMALLINT(std::size(completed)), &completedLength, SQL_DRIVER_NOPROMPT);
    try {
        check(connected, SQL_HANDLE_DBC, dbc);
    } catch (const DataError &error) {
        m_dbc.reset();
        m_env.reset();
        if (target.dialect == Dialect::SqlServer
            && target.connectionString.contains(QLatin1String("Trusted_Connection=Yes"),
                                                Qt::CaseInsensitive)) {
            // FreeTDS on this system logs in with a Windows account only through Kerberos, and
            // says no more than that it could not connect.
            throw DataError(QStringLiteral("Přihlášení účtem Windows se nepodařilo. Mimo Windows "
                                           "je možné jen přes Kerberos (platný lístek z kinit "
                                           "v doméně serveru) nebo oknem přihlášení se jménem "
                                           "DOMÉNA\\uživatel; jinak zvol přihlášení SQL "
                                           "Serveru (login a heslo).\n")
                                + error.message(),
                            error.sqlState(), error.nativeCode());
        }
        throw;
    } catch (...) {
        m_dbc.reset();
        m_env.reset();
        throw;
    }
    m_connected = true;
    m_commandTimeout = options.commandTimeout;
    m_utf8Text = target.utf8Text;

    SQLWCHAR dbms[128] = {};
    SQLSMALLINT dbmsLength = 0;
    SQLGetInfoW(dbc, SQL_DBMS_NAME, dbms, sizeof dbms, &dbmsLength);
    const QString server = fromWide(dbms);
    if (server.contains(QLatin1String("MariaDB"), Qt::CaseInsensitive)
        || server.contains(QLatin1String("MySQL"), Qt::CaseInsensitive))
        m_dialect = Dialect::MySql;
    else if (server.contains(QLatin1String("SQL Server"), Qt::CaseInsensitive))
        m_dialect = Dialect::SqlServer;
    else
        m_dialect = target.dialect;
    SQLWCHAR quote[8] = {};
    SQLSMALLINT quoteLength = 0;
    if (SQL_SUCCEEDED(
            SQLGetInfoW(dbc, SQL_IDENTIFIER_QUOTE_CHAR, quote, sizeof quote, &quoteLength)))
        m_quote = fromWide(quote).trimmed();

    // MariaDB's driver ignores the statement time-out attribute; the session variable works.
    if (m_dialect == Dialect::MySql && m_commandTimeout > 0) {
        try {
            run(QStringLiteral("SET SESSION max_statement_time=%1").arg(m_commandTimeout));
        } catch (const DataError &) {
            // MySQL itself names it differently; without it statements simply have no limit.
        }
    }
}

void OdbcProvider::close()
{
    m_prepared.clear();
    if (m_dbc && m_connected)
        SQLDisconnect(m_dbc.get());
    m_connected = false;
    m_defaultSchema.clear();
    m_dbc.reset();
    m_env.reset();
}

StmtHandle OdbcProvider::newStatement()
{
    if (!m_connected)
        throw DataError(QStringLiteral("Připojení není otevřeno."));
    SQLHANDLE statement = SQL_NULL_HANDLE;
    check(SQLAllocHandle(SQL_HANDLE_STMT, m_dbc.get(), &statement), SQL_HANDLE_DBC, m_dbc.get());
    StmtHandle handle(statement);
    if (m_dialect != Dialect::MySql && m_commandTimeout > 0)
        SQLSetStmtAttr(statement, SQL_ATTR_QUERY_TIMEOUT,
                       reinterpret_cast<SQLPOINTER>(SQLULEN(m_commandTimeout)), 0);
    return handle;
}

OdbcProvider::Running::Running(OdbcProvider &provider, SQLHSTMT statement)
    : m_provider(provider)
    , m_statement(statement)
{
    const std::lock_guard lock(provider.m_runningMutex);
    if (provider.m_cancelled)
        stopped();
    provider.m_running.push_back(statement);
}

OdbcProvider::Running::~Running()
{
    const std::lock_guard lock(m_provider.m_runningMutex);
    std::erase(m_provider.m_running, m_statement);
}

void OdbcProvider::stopped()
{
    throw DataError(QStringLiteral("Příkaz byl zastaven."), QStringLiteral("HY008"));
}

void OdbcProvider::cancel()
{
    // SQLCancel is the one call ODBC allows on a statement that another thread is executing:
    // the driver asks the server to stop it (Connector/ODBC with a KILL QUERY on a connection
    // of its own, FreeTDS with a cancel packet).
    const std::lock_guard lock(m_runningMutex);
    m_cancelled = true;
    for (SQLHSTMT statement : m_running)
        SQLCancel(statement);
}

void OdbcProvider::resetCancel()
{
    m_cancelled = false;
}

StatementResult OdbcProvider::run(const QString &statement, const std::vector<Value> &parameters)
{
    const bool prepared = !parameters.empty();
    StmtHandle handle = prepared ? preparedStatement(statement) : newStatement();
    SQLHSTMT stmt = handle.get();
    const Running running(*this, stmt);
    std::vector<Parameter> bound;
    SQLRETURN executed;
    if (!prepared) {
        executed = SQLExecDirectW(stmt, wide(statement), SQL_NTS);
    } else {
        bindParameters(stmt, parameters, bound, textEncoding() == odbc::TextEncoding::Utf8);
        executed = SQLExecute(stmt);
    }
    // A statement that failed is not kept: it leaves with its handle.
    check(executed, SQL_HANDLE_STMT, stmt);

    StatementResult result;
    // Every result of the statement is drained; the first result set is kept, else the first
    // row count.
    for (;;) {
        SQLSMALLINT columns = 0;
        check(SQLNumResultCols(stmt, &columns), SQL_HANDLE_STMT, stmt);
        if (columns > 0) {
            if (!result.hasRows) {
                result.rows = odbc::readResult(stmt, textEncoding());
                result.hasRows = true;
            }
        } else if (!result.hasRows && result.rowsAffected < 0) {
            SQLLEN count = -1;
            if (SQL_SUCCEEDED(SQLRowCount(stmt, &count)))
                result.rowsAffected = count;
        }
        const SQLRETURN more = SQLMoreResults(stmt);
        if (more == SQL_NO_DATA)
            break;
        check(more, SQL_HANDLE_STMT, stmt);
    }
    if (result.hasRows)
        result.rowsAffected = -1;
    if (prepared) {
        // Ready for the next execution with other values; every result has been drained, so
        // no cursor needs closing (which would cost the server another round trip).
        SQLFreeStmt(stmt, SQL_RESET_PARAMS);
        keepPrepared(statement, std::move(handle));
    }
    return result;
}

StmtHandle OdbcProvider::preparedStatement(const QString &statement)
{
    for (auto entry = m_prepared.begin(); entry != m_prepared.end(); ++entry) {
        if (entry->first == statement) {
            StmtHandle handle = std::move(entry->second);
            m_prepared.erase(entry);
            return handle;
        }
    }
    StmtHandle handle = newStatement();
    check(SQLPrepareW(handle.get(), wide(statement), SQL_NTS), SQL_HANDLE_STMT, handle.get());
    return handle;
}

void OdbcProvider::keepPrepared(const QString &statement, StmtHandle handle)
{
    constexpr size_t kKept = 8;
    m_prepared.emplace(m_prepared.begin(), statement, std::move(handle));
    if (m_prepared.size() > kKept)
        m_prepared.pop_back();
}

QString OdbcProvider::currentCatalog()
{
    SQLWCHAR catalog[256] = {};
    SQLINTEGER length = 0;
    if (!SQL_SUCCEEDED(SQLGetConnectAttrW(m_dbc.get(), SQL_ATTR_CURRENT_CATALOG, catalog,
                                          sizeof catalog, &length)))
        return QString();
    return fromWide(catalog, std::min<qsizetype>(length / qsizetype(sizeof(SQLWCHAR)), 255));
}

QStringList OdbcProvider::tableNames()
{
    StmtHandle handle = newStatement();
    // Without the current catalog the driver lists the tables of every database.
    const QString catalog = currentCatalog();
    const QString types = QStringLiteral("TABLE,VIEW");
    check(SQLTablesW(handle.get(), catalog.isEmpty() ? nullptr : wide(catalog), SQL_NTS, nullptr, 0,
                     nullptr, 0, wide(types), SQL_NTS),
          SQL_HANDLE_STMT, handle.get());
    const RowStore rows = odbc::readResult(handle.get(), textEncoding());
    const bool schemas = m_dialect == Dialect::SqlServer;
    const QString ownSchema = schemas ? defaultSchema() : QString();
    QStringList names;
    for (size_t row = 0; row < rows.rowCount(); ++row) {
        const QString schema = rows.value(row, 1).toText();
        if (schema.compare(QLatin1String("sys"), Qt::CaseInsensitive) == 0
            || schema.compare(QLatin1String("INFORMATION_SCHEMA"), Qt::CaseInsensitive) == 0)
            continue;
        const QString name = rows.value(row, 2).toText();
        names << (schemas ? odbc::listedTableName(schema, name, ownSchema) : name);
    }
    return names;
}

QString OdbcProvider::defaultSchema()
{
    if (m_defaultSchema.isEmpty()) {
        m_defaultSchema = QStringLiteral("dbo");
        try {
            const StatementResult result = run(QStringLiteral("SELECT SCHEMA_NAME()"));
            if (result.hasRows && result.rows.rowCount() == 1 && !result.rows.value(0, 0).isNull())
                m_defaultSchema = result.rows.value(0, 0).toText();
        } catch (const DataError &) {
            // A server that does not say lists its tables as dbo's.
        }
    }
    return m_defaultSchema;
}

StatementResult OdbcProvider::readTable(const QString &table)
{
    if (m_dialect == Dialect::MySql) {
        if (std::optional<StatementResult> parts = readTableInParts(table))
            return std::move(*parts);
    }
    return Provider::readTable(table);
}

QStringList OdbcProvider::primaryKey(const QString &table)
{
    StmtHandle handle = newStatement();
    const QString catalog = currentCatalog();
    // A SQL Server table is asked for in its own schema: without one, the keys of tables of
    // that name in every schema come back together.
    odbc::TableParts parts { QString(), table };
    if (m_dialect == Dialect::SqlServer) {
        parts = odbc::tablePartsOf(table);
        if (parts.schema.isEmpty())
            parts.schema = defaultSchema();
    }
    check(SQLPrimaryKeysW(handle.get(), catalog.isEmpty() ? nullptr : wide(catalog), SQL_NTS,
                          parts.schema.isEmpty() ? nullptr : wide(parts.schema), SQL_NTS,
                          wide(parts.name), SQL_NTS),
          SQL_HANDLE_STMT, handle.get());
    const RowStore rows = odbc::readResult(handle.get(), textEncoding());
    std::vector<std::pair<qint64, QString>> keys;
    for (size_t row = 0; row < rows.rowCount(); ++row)
        keys.push_back({ rows.value(row, 4).toNumber().value_or(0), rows.value(row, 3).toText() });
    std::sort(keys.begin(), keys.end());
    QStringList names;
    for (const auto &key : keys)
        names << key.second;
    return names;
}

Value OdbcProvider::lastInsertId()
{
    QString sql;
    if (m_dialect == Dialect::MySql)
        sql = QStringLiteral("SELECT LAST_INSERT_ID()");
    else if (m_dialect == Dialect::SqlServer)
        sql = QStringLiteral("SELECT @@IDENTITY");
    else
        return Value();
    const StatementResult result = run(sql);
    if (!result.hasRows || result.rows.rowCount() == 0)
        return Value();
    const Value id = result.rows.value(0, 0);
    if (id.isNull() || id.toNumber().value_or(0) == 0)
        return Value();
    return id;
}

QString OdbcProvider::allDefaultsClause() const
{
    // MySQL and MariaDB do not know "DEFAULT VALUES".
    return m_dialect == Dialect::MySql ? QStringLiteral(" () VALUES ()")
                                       : Provider::allDefaultsClause();
}

QString OdbcProvider::quoteIdentifier(const QString &name) const
{
    if (name.startsWith(QLatin1Char('[')) && name.endsWith(QLatin1Char(']')))
        return name;
    if (m_dialect == Dialect::SqlServer)
        return odbc::bracketed(name);
    QString quoted = name;
    const QString quote = m_dialect == Dialect::MySql ? QStringLiteral("`") : m_quote;
    if (quote.isEmpty())
        return name;
    return quote + quoted.replace(quote, quote + quote) + quote;
}

QString OdbcProvider::quoteTableName(const QString &table) const
{
    if (m_dialect == Dialect::SqlServer)
        return odbc::bracketedTableName(table);
    return quoteIdentifier(table);
}

SqlDialect OdbcProvider::sqlDialect() const
{
    switch (m_dialect) {
    case Dialect::MySql:
        return SqlDialect::MySql;
    case Dialect::SqlServer:
        return SqlDialect::SqlServer;
    case Dialect::Other:
        break;
    }
    return SqlDialect::Standard;
}

} // namespace vrl
