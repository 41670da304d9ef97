#include "access/odbc/OdbcProvider.h"
#include "access/odbc/SqlServerNames.h"

#include "access/DataError.h"
#include "access/odbc/OdbcResultReader.h"

#include <QDate>

#include <future>
#include <variant>

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

// One bound parameter and the memory it points to, alive until the statement has run.
struct Parameter
{
    std::variant<qint64, double, SQL_TIMESTAMP_STRUCT, QString, QByteArray> data;
    SQLLEN indicator = 0;
};

// Text goes as UTF-8 bytes where the connection reads UTF-8 (MySQL and MariaDB here): the
// driver would otherwise open a character converter for every wide text it is handed.
void bindParameters(SQLHSTMT statement, const std::vector<Value> &values,
                    std::vector<Parameter> &bound, bool utf8Text)
{
    bound.resize(values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        const Value &value = values[i];
        Parameter &p = bound[i];
        const SQLUSMALLINT number = SQLUSMALLINT(i + 1);
        SQLRETURN result;
        if (value.isNull()) {
            p.data = QString();
            p.indicator = SQL_NULL_DATA;
            result = SQLBindParameter(statement, number, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR,
                                      1, 0, nullptr, 0, &p.indicator);
        } else if (value.type() == FieldType::Int || value.type() == FieldType::Bool) {
            p.data = value.type() == FieldType::Bool ? qint64(value.asBool()) : value.asInt();
            result = SQLBindParameter(statement, number, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT,
                                      0, 0, &std::get<qint64>(p.data), 0, nullptr);
        } else if (value.type() == FieldType::Double) {
            p.data = value.asDouble();
            result = SQLBindParameter(statement, number, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE,
                                      15, 0, &std::get<double>(p.data), 0, nullptr);
        } else if (value.type() == FieldType::DateTime) {
            const QDateTime t = value.asDateTime();
            SQL_TIMESTAMP_STRUCT ts {};
            ts.year = SQLSMALLINT(t.date().year());
            ts.month = SQLUSMALLINT(t.date().month());
            ts.day = SQLUSMALLINT(t.date().day());
            ts.hour = SQLUSMALLINT(t.time().hour());
            ts.minute = SQLUSMALLINT(t.time().minute());
            ts.second = SQLUSMALLINT(t.time().second());
            ts.fraction = SQLUINTEGER(t.time().msec()) * 1000000u;
            p.data = ts;
            result = SQLBindParameter(statement, number, SQL_PARAM_INPUT, SQL_C_TYPE_TIMESTAMP,
                                      SQL_TYPE_TIMESTAMP, 23, 3,
                                      &std::get<SQL_TIMESTAMP_STRUCT>(p.data), 0, nullptr);
        } else if (value.type() == FieldType::Decimal) {
            // Decimals travel as plain text with a full stop, so that every digit arrives.
            p.data = value.asDecimal().toLatin1();
            const QByteArray &digits = std::get<QByteArray>(p.data);
            const qsizetype point = digits.indexOf('.');
            const SQLSMALLINT scale = SQLSMALLINT(point < 0 ? 0 : digits.size() - point - 1);
            p.indicator = SQLLEN(digits.size());
            result = SQLBindParameter(statement, number, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_DECIMAL,
                                      SQLULEN(std::max<qsizetype>(digits.size(), 1)), scale,
                                      const_cast<char *>(digits.constData()), p.indicator,
                                      &p.indicator);
        } else if (value.type() == FieldType::Binary) {
            p.data = value.asBinary();
            const QByteArray &bytes = std::get<QByteArray>(p.data);
            p.indicator = SQLLEN(bytes.size());
            result = SQLBindParameter(statement, number, SQL_PARAM_INPUT, SQL_C_BINARY,
                                      bytes.size() > 8000 ? SQL_LONGVARBINARY : SQL_VARBINARY,
                                      SQLULEN(std::max<qsizetype>(bytes.size(), 1)), 0,
                                      const_cast<char *>(bytes.constData()), p.indicator,
                                      &p.indicator);
        } else if (utf8Text) {
            p.data = value.asText().toUtf8();
            const QByteArray &text = std::get<QByteArray>(p.data);
            p.indicator = SQLLEN(text.size());
            result
                = SQLBindParameter(statement, number, SQL_PARAM_INPUT, SQL_C_CHAR,
                                   text.size() > 8000 ? SQL_LONGVARCHAR : SQL_VARCHAR,
                                   SQLULEN(std::max<qsizetype>(text.size(), 1)), 0,
                                   const_cast<char *>(text.constData()), p.indicator, &p.indicator);
        } else {
            p.data = value.asText();
            const QString &text = std::get<QString>(p.data);
            p.indicator = SQLLEN(text.size() * 2);
            result = SQLBindParameter(statement, number, SQL_PARAM_INPUT, SQL_C_WCHAR,
                                      text.size() > 4000 ? SQL_WLONGVARCHAR : SQL_WVARCHAR,
                                      SQLULEN(std::max<qsizetype>(text.size(), 1)), 0, wide(text),
                                      p.indicator, &p.indicator);
        }
        if (!SQL_SUCCEEDED(result)) // the context text only when there is a failure to name
            check(result, SQL_HANDLE_STMT, statement, QStringLiteral("Parametr %1").arg(number));
    }
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

std::optional<StatementResult> OdbcProvider::readTableInParts(const QString &table)
{
    // A plain name in the current database only; anything else is read whole.
    if (table.isEmpty() || table.contains(QLatin1Char('.')) || table.contains(QLatin1Char('`'))
        || table.startsWith(QLatin1Char('[')))
        return std::nullopt;
    // The table's facts: cheap to ask for with the schema and the name given (asked from the
    // columns of every table, as a correlated query would, they cost 50 ms an open).
    qint64 estimate = 0;
    bool inTransaction = false;
    QString keyName;
    try {
        const StatementResult facts = run(
            QStringLiteral("SELECT t.ENGINE, t.TABLE_ROWS, @@in_transaction, @@tx_isolation FROM "
                           "information_schema.TABLES t WHERE t.TABLE_SCHEMA = DATABASE() AND "
                           "t.TABLE_NAME = ?"),
            { Value::text(table) });
        if (!facts.hasRows || facts.rows.rowCount() != 1)
            return std::nullopt;
        const auto fact = [&facts](int field) {
            return facts.rows.value(0, field);
        };
        estimate = fact(1).toNumber().value_or(0);
        inTransaction = fact(2).toNumber().value_or(0) != 0;
        const QString isolation = fact(3).toText().toUpper();
        // The key orders the rows as a plain read gives them only where it is the clustered
        // index (InnoDB's primary key), and later parts see the first one's snapshot only under
        // repeatable read.
        if (fact(0).toText().compare(QLatin1String("InnoDB"), Qt::CaseInsensitive) != 0
            || (isolation != QLatin1String("REPEATABLE-READ")
                && isolation != QLatin1String("SERIALIZABLE"))
            || estimate < m_tablePartRows)
            return std::nullopt;
        const StatementResult keys = run(QStringLiteral("SHOW KEYS FROM ") + quoteIdentifier(table)
                                         + QStringLiteral(" WHERE Key_name = 'PRIMARY'"));
        const int keyColumn = keys.rows.fieldIndex(QStringLiteral("Column_name"));
        if (!keys.hasRows || keys.rows.rowCount() != 1 || keyColumn < 0)
            return std::nullopt;
        keyName = keys.rows.value(0, keyColumn).toText();
    } catch (const DataError &) {
        return std::nullopt; // a server that keeps these facts under other names
    }

    // In the user's own transaction its snapshot holds already; it is not to be ended here.
    const bool ownSnapshot = !inTransaction;
    if (ownSnapshot)
        run(QStringLiteral("START TRANSACTION WITH CONSISTENT SNAPSHOT, READ ONLY"));
    StatementResult result;
    result.hasRows = true;
    result.rowsAffected = -1;
    try {
        readPartsAfterEachOther(table, keyName, result.rows, SQLLEN(estimate));
        if (ownSnapshot)
            run(QStringLiteral("COMMIT"));
    } catch (...) {
        if (ownSnapshot) {
            try {
                run(QStringLiteral("ROLLBACK"));
            } catch (const DataError &) {
                // The connection is gone: the failure that ended the read says so.
            }
        }
        throw;
    }
    return result;
}

OdbcProvider::TablePart OdbcProvider::executeTablePart(const QString &table, const QString &keyName,
                                                       const std::optional<Value> &after)
{
    const QString key = quoteIdentifier(keyName);
    const QString from = QStringLiteral(" FROM ") + quoteIdentifier(table);
    const QString afterClause = key + QStringLiteral(" > ?");
    std::vector<Value> values;
    if (after)
        values.push_back(*after);
    const auto execute = [&](const QString &statement, const std::vector<Value> &parameters) {
        StmtHandle handle = newStatement();
        check(SQLPrepareW(handle.get(), wide(statement), SQL_NTS), SQL_HANDLE_STMT, handle.get());
        std::vector<Parameter> bound;
        bindParameters(handle.get(), parameters, bound, textEncoding() == TextEncoding::Utf8);
        const Running running(*this, handle.get());
        check(SQLExecute(handle.get()), SQL_HANDLE_STMT, handle.get());
        return handle;
    };

    // The part's last key, asked for first, bounds the part: the next part can then be asked
    // for while this one is still being read.
    TablePart part;
    {
        StmtHandle last
            = execute(QStringLiteral("SELECT ") + key + from
                          + (after ? QStringLiteral(" WHERE ") + afterClause : QString())
                          + QStringLiteral(" ORDER BY %1 LIMIT 1 OFFSET %2")
                                .arg(key)
                                .arg(m_tablePartRows - 1),
                      values);
        const RowStore found = readResult(last.get(), textEncoding());
        // Only an integer or a text goes back to the server exactly as it came; a key of
        // another kind (a wide or decimal number, a date) has the rest read at once.
        if (found.rowCount() == 1 && !found.value(0, 0).isNull()
            && (found.fields()[0].type == FieldType::Int
                || found.fields()[0].type == FieldType::Text))
            part.last = found.value(0, 0);
    }
    QStringList conditions;
    if (after)
        conditions << afterClause;
    if (part.last) {
        conditions << key + QStringLiteral(" <= ?");
        values.push_back(*part.last);
    }
    part.handle = execute(QStringLiteral("SELECT *") + from
                              + (conditions.isEmpty() ? QString()
                                                      : QStringLiteral(" WHERE ")
                                         + conditions.join(QStringLiteral(" AND ")))
                              + QStringLiteral(" ORDER BY ") + key,
                          values);
    return part;
}

void OdbcProvider::readPartsAfterEachOther(const QString &table, const QString &keyName,
                                           RowStore &rows, SQLLEN expectedRows)
{
    // The driver receives a whole part before its first row can be fetched, and converting
    // the rows into columns takes as long again: the next part is therefore asked for on a
    // second statement, on a thread of its own, while this one is converted. Only this one
    // thread talks to the server at a time; a part's statement is freed (which the server
    // hears of) only after the thread has ended.
    // A driver that streams its results (one that knows no row count before the fetch, such as
    // a later MariaDB driver asked not to cache) must see each part to its end before the next
    // statement: its parts go one after the other.
    TablePart part = executeTablePart(table, keyName, std::nullopt);
    for (;;) {
        SQLLEN held = -1;
        const bool received = SQL_SUCCEEDED(SQLRowCount(part.handle.get(), &held)) && held >= 0;
        std::future<TablePart> next;
        if (part.last && received)
            next = std::async(std::launch::async, [this, &table, &keyName, after = *part.last] {
                return executeTablePart(table, keyName, after);
            });
        {
            const Running running(*this, part.handle.get());
            readRows(part.handle.get(), textEncoding(), rows, expectedRows);
        }
        if (!part.last)
            break;
        part = next.valid() ? next.get() : executeTablePart(table, keyName, *part.last);
    }
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
    QString quoted = name;
    if (m_dialect == Dialect::SqlServer)
        return QLatin1Char('[') + quoted.replace(QLatin1Char(']'), QLatin1String("]]"))
            + QLatin1Char(']');
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
