#include "access/sqlite/SqliteProvider.h"

#include "access/DataError.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <sqlite3.h>

namespace vrl {

namespace {

// Finalizes a prepared statement when it goes out of scope.
struct Statement
{
    sqlite3_stmt *handle = nullptr;
    ~Statement() { sqlite3_finalize(handle); }
};

// SQLite's own lower() changes only ASCII letters; this one changes every letter the way the
// client filter compares text without regard to case, so conditions written for the database
// (the column sum's filter) pick the same rows, Czech letters included.
void unicodeLower(sqlite3_context *context, int, sqlite3_value **arguments)
{
    if (sqlite3_value_type(arguments[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const auto *chars = static_cast<const char16_t *>(sqlite3_value_text16(arguments[0]));
    const int bytes = sqlite3_value_bytes16(arguments[0]);
    const QString folded = QString::fromUtf16(chars, bytes / 2).toCaseFolded();
    sqlite3_result_text16(context, folded.utf16(), int(folded.size() * 2), SQLITE_TRANSIENT);
}

void addFunctions(sqlite3 *db)
{
    sqlite3_create_function_v2(db, "lower", 1, SQLITE_UTF16 | SQLITE_DETERMINISTIC, nullptr,
                               unicodeLower, nullptr, nullptr, nullptr);
}

QString textOf(sqlite3_stmt *statement, int column)
{
    const auto *chars = static_cast<const char16_t *>(sqlite3_column_text16(statement, column));
    const int bytes = sqlite3_column_bytes16(statement, column);
    return QString::fromUtf16(chars, bytes / 2);
}

// The field type that a column's declared type asks for; nullopt when none is declared.
std::optional<FieldType> declaredType(const QString &declared, int &scale)
{
    const QString d = declared.toUpper();
    if (d.isEmpty())
        return std::nullopt;
    if (d.contains(QLatin1String("BOOL")))
        return FieldType::Bool;
    if (d.contains(QLatin1String("INT")))
        return FieldType::Int;
    if (d.contains(QLatin1String("CHAR")) || d.contains(QLatin1String("CLOB"))
        || d.contains(QLatin1String("TEXT")))
        return FieldType::Text;
    if (d.contains(QLatin1String("BLOB")))
        return FieldType::Binary;
    if (d.contains(QLatin1String("REAL")) || d.contains(QLatin1String("FLOA"))
        || d.contains(QLatin1String("DOUB")))
        return FieldType::Double;
    if (d.contains(QLatin1String("DATE")) || d.contains(QLatin1String("TIME")))
        return FieldType::DateTime;
    if (d.contains(QLatin1String("DEC")) || d.contains(QLatin1String("NUM"))) {
        static const QRegularExpression precision(
            QStringLiteral("\\(\\s*\\d+\\s*,\\s*(\\d+)\\s*\\)"));
        const auto match = precision.match(d);
        scale = match.hasMatch() ? match.captured(1).toInt() : -1;
        return FieldType::Decimal;
    }
    return FieldType::Text;
}

// SQLite keeps date-times as text "YYYY-MM-DD HH:MM:SS.SSS" (or with a "T"), or as a date.
std::optional<QDateTime> parseSqliteDateTime(const QString &text)
{
    static const QRegularExpression form(
        QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})(?:[ "
                       "T](\\d{2}):(\\d{2})(?::(\\d{2})(?:\\.(\\d{1,3})\\d*)?)?)?$"));
    const auto m = form.match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    QString fraction = m.captured(7);
    while (!fraction.isEmpty() && fraction.size() < 3)
        fraction += QLatin1Char('0');
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt(),
                     fraction.toInt());
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time, Qt::UTC);
}

QString sqliteDateTimeText(const QDateTime &value)
{
    const QString format = value.time().msec() ? QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")
                                               : QStringLiteral("yyyy-MM-dd HH:mm:ss");
    return value.toString(format);
}

// A cell as SQLite stored it, before the column's type is settled.
Value rawValue(sqlite3_stmt *statement, int column)
{
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_NULL:
        return Value();
    case SQLITE_INTEGER:
        return Value::integer(sqlite3_column_int64(statement, column));
    case SQLITE_FLOAT:
        return Value::real(sqlite3_column_double(statement, column));
    case SQLITE_BLOB: {
        const auto *bytes = static_cast<const char *>(sqlite3_column_blob(statement, column));
        return Value::binary(QByteArray(bytes, sqlite3_column_bytes(statement, column)));
    }
    default:
        return Value::text(textOf(statement, column));
    }
}

// A stored cell in the column's type, or nullopt when it does not fit that type.
std::optional<Value> typedValue(const Value &raw, FieldType type, int scale)
{
    if (raw.isNull())
        return raw;
    if (type == FieldType::DateTime) {
        if (raw.type() == FieldType::Text) {
            if (const auto parsed = parseSqliteDateTime(raw.asText()))
                return Value::dateTime(*parsed);
        }
        return std::nullopt;
    }
    if (type == FieldType::Decimal) {
        if (raw.type() == FieldType::Text) {
            if (const auto digits = canonicalDecimal(raw.asText(), QLatin1Char('.'), scale))
                return Value::decimal(*digits);
            return std::nullopt;
        }
    }
    if (type == FieldType::Text && raw.type() != FieldType::Text) {
        if (raw.type() == FieldType::Binary)
            return Value::text(QString::fromUtf8(raw.asBinary()));
        // Numbers in a text column keep SQLite's own text of them.
        if (raw.type() == FieldType::Int)
            return Value::text(QString::number(raw.asInt()));
        return Value::text(QString::number(raw.asDouble(), 'g', 17));
    }
    if (type == FieldType::Int && raw.type() != FieldType::Int)
        return std::nullopt;
    if (raw.type() == FieldType::Text && type != FieldType::Text)
        return std::nullopt;
    try {
        return raw.convertedTo(type, scale);
    } catch (const DataError &) {
        return std::nullopt;
    }
}

// The type of a column without a declared type, from its stored values.
FieldType inferredType(const std::vector<std::vector<Value>> &rows, size_t column)
{
    bool allInt = true, allNumber = true, allBinary = true, any = false;
    for (const auto &row : rows) {
        const Value &v = row[column];
        if (v.isNull())
            continue;
        any = true;
        allInt = allInt && v.type() == FieldType::Int;
        allNumber = allNumber && (v.type() == FieldType::Int || v.type() == FieldType::Double);
        allBinary = allBinary && v.type() == FieldType::Binary;
    }
    if (!any)
        return FieldType::Text;
    if (allInt)
        return FieldType::Int;
    if (allNumber)
        return FieldType::Double;
    if (allBinary)
        return FieldType::Binary;
    return FieldType::Text;
}

} // namespace

void SqliteProvider::bindValue(sqlite3_stmt *statement, int at, const Value &p) const
{
    int bound = SQLITE_OK;
    if (p.isNull())
        bound = sqlite3_bind_null(statement, at);
    else if (p.type() == FieldType::Bool)
        bound = sqlite3_bind_int(statement, at, p.asBool() ? 1 : 0);
    else if (p.type() == FieldType::Int)
        bound = sqlite3_bind_int64(statement, at, p.asInt());
    else if (p.type() == FieldType::Double)
        bound = sqlite3_bind_double(statement, at, p.asDouble());
    else if (p.type() == FieldType::Binary) {
        const QByteArray bytes = p.asBinary();
        bound = sqlite3_bind_blob64(statement, at, bytes.constData(), sqlite3_uint64(bytes.size()),
                                    SQLITE_TRANSIENT);
    } else {
        const QString text = p.type() == FieldType::DateTime ? sqliteDateTimeText(p.asDateTime())
            : p.type() == FieldType::Decimal                 ? p.asDecimal()
                                                             : p.asText();
        bound = sqlite3_bind_text16(statement, at, text.utf16(), int(text.size() * 2),
                                    SQLITE_TRANSIENT);
    }
    if (bound != SQLITE_OK)
        fail(QStringLiteral("Parametr %1").arg(at));
}

void SqliteProvider::bindCell(sqlite3_stmt *statement, int at, const Column &column,
                              size_t row) const
{
    // Numbers and texts straight from the column, without a value made of each cell; the text
    // stays where it is until the row has been inserted.
    int bound = SQLITE_OK;
    if (column.isNull(row)) {
        bound = sqlite3_bind_null(statement, at);
    } else if (column.type() == FieldType::Double) {
        bound = sqlite3_bind_double(statement, at, column.doubleAt(row));
    } else if (column.type() == FieldType::Int || column.type() == FieldType::Bool) {
        bound = sqlite3_bind_int64(statement, at, column.integerAt(row));
    } else if (column.type() == FieldType::Text) {
        // An empty text has no address of its own, and no address would be NULL.
        const QStringView text = column.textAt(row);
        bound = sqlite3_bind_text16(statement, at, text.isEmpty() ? u"" : text.utf16(),
                                    int(text.size() * 2), SQLITE_STATIC);
    } else {
        bindValue(statement, at, column.value(row));
        return;
    }
    if (bound != SQLITE_OK)
        fail(QStringLiteral("Parametr %1").arg(at));
}

SqliteProvider::~SqliteProvider()
{
    close();
}

sqlite3 &SqliteProvider::db() const
{
    if (!m_db)
        throw DataError(QStringLiteral("Připojení není otevřeno."));
    return *m_db;
}

void SqliteProvider::fail(const QString &context) const
{
    const QString message = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString();
    const int code = m_db ? sqlite3_extended_errcode(m_db) : 0;
    throw DataError(context.isEmpty() ? message : context + QStringLiteral(": ") + message, {},
                    code);
}

void SqliteProvider::open(const ConnectionString &string, const ConnectOptions &options)
{
    close();
    const QString path = string.value(QStringLiteral("Data Source"));
    if (path.isEmpty())
        throw DataError(
            QStringLiteral("V připojovacím řetězci chybí Data Source (soubor databáze)."));
    if (!QFileInfo(path).isFile())
        throw DataError(QStringLiteral("Soubor databáze %1 neexistuje.").arg(path));
    const int status = sqlite3_open_v2(path.toUtf8().constData(), &m_db,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr);
    if (status != SQLITE_OK) {
        const QString message = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db))
                                     : QString::fromUtf8(sqlite3_errstr(status));
        sqlite3_close(m_db);
        m_db = nullptr;
        throw DataError(QStringLiteral("Databázi %1 nelze otevřít: %2").arg(path, message), {},
                        status);
    }
    sqlite3_extended_result_codes(m_db, 1);
    addFunctions(m_db);
    // The command time-out is how long a statement waits for a locked database.
    sqlite3_busy_timeout(m_db,
                         options.commandTimeout > 0 ? options.commandTimeout * 1000 : INT_MAX);
    // A file that is not a database shows only at the first read.
    try {
        run(QStringLiteral("SELECT count(*) FROM sqlite_master"));
    } catch (const DataError &error) {
        close();
        throw DataError(QStringLiteral("Databázi %1 nelze otevřít: %2").arg(path, error.message()));
    }
}

void SqliteProvider::openInMemory()
{
    close();
    if (sqlite3_open_v2(":memory:", &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr)
        != SQLITE_OK)
        fail(QStringLiteral("Databázi v paměti nelze vytvořit"));
    sqlite3_extended_result_codes(m_db, 1);
    addFunctions(m_db);
}

void SqliteProvider::insertRows(const QString &table, const RowStore &rows)
{
    QStringList marks;
    for (int f = 0; f < rows.fieldCount(); ++f)
        marks << QStringLiteral("?");
    const QByteArray sql
        = (QStringLiteral("INSERT INTO ") + quoteIdentifier(table) + QStringLiteral(" VALUES (")
           + marks.join(QLatin1Char(',')) + QLatin1Char(')'))
              .toUtf8();
    run(QStringLiteral("BEGIN"));
    try {
        Statement insert;
        if (sqlite3_prepare_v2(&db(), sql.constData(), -1, &insert.handle, nullptr) != SQLITE_OK)
            fail({});
        for (size_t row = 0; row < rows.rowCount(); ++row) {
            for (int f = 0; f < rows.fieldCount(); ++f)
                bindCell(insert.handle, f + 1, rows.column(f), row);
            if (sqlite3_step(insert.handle) != SQLITE_DONE)
                fail({});
            sqlite3_reset(insert.handle);
        }
        run(QStringLiteral("COMMIT"));
    } catch (...) {
        run(QStringLiteral("ROLLBACK"));
        throw;
    }
}

bool SqliteProvider::isReadOnly(const QString &statement)
{
    const QByteArray sql = statement.toUtf8();
    const char *rest = sql.constData();
    while (rest && *rest) {
        Statement prepared;
        const char *tail = nullptr;
        if (sqlite3_prepare_v2(&db(), rest, -1, &prepared.handle, &tail) != SQLITE_OK)
            fail({});
        rest = tail;
        if (prepared.handle && !sqlite3_stmt_readonly(prepared.handle))
            return false;
    }
    return true;
}

void SqliteProvider::observeChanges(ChangeObserver observer)
{
    m_observer = std::move(observer);
    if (!m_observer) {
        sqlite3_update_hook(&db(), nullptr, nullptr);
        return;
    }
    sqlite3_update_hook(
        &db(),
        [](void *self, int operation, const char *, const char *table, sqlite3_int64 rowid) {
            static_cast<SqliteProvider *>(self)->m_observer(operation, QString::fromUtf8(table),
                                                            rowid);
        },
        this);
}

void SqliteProvider::close()
{
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

QStringList SqliteProvider::tableNames()
{
    const StatementResult result
        = run(QStringLiteral("SELECT name FROM sqlite_master WHERE type IN ('table', 'view') "
                             "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY rowid"));
    QStringList names;
    for (size_t row = 0; row < result.rows.rowCount(); ++row)
        names << result.rows.value(row, 0).asText();
    return names;
}

void SqliteProvider::cancel()
{
    m_cancelled = true;
    if (m_db)
        sqlite3_interrupt(m_db); // safe from another thread while the database is open
}

StatementResult SqliteProvider::run(const QString &statement, const std::vector<Value> &parameters)
{
    sqlite3 &database = db();
    if (m_cancelled) // asked to stop before it began
        throw DataError(QStringLiteral("Příkaz byl zastaven."));
    const QByteArray sql = statement.toUtf8();
    const char *rest = sql.constData();
    StatementResult result;
    qint64 changes = 0;
    bool anyChange = false;
    bool first = true;
    while (rest && *rest) {
        Statement prepared;
        const char *tail = nullptr;
        if (sqlite3_prepare_v2(&database, rest, -1, &prepared.handle, &tail) != SQLITE_OK)
            fail({});
        rest = tail;
        if (!prepared.handle)
            continue; // blanks or a comment
        if (first) {
            for (size_t i = 0; i < parameters.size(); ++i)
                bindValue(prepared.handle, int(i) + 1, parameters[i]);
            first = false;
        }
        const int columns = sqlite3_column_count(prepared.handle);
        const sqlite3_int64 totalBefore = sqlite3_total_changes64(&database);
        std::vector<std::vector<Value>> rows;
        int step;
        while ((step = sqlite3_step(prepared.handle)) == SQLITE_ROW) {
            std::vector<Value> row(static_cast<size_t>(columns));
            for (int c = 0; c < columns; ++c)
                row[size_t(c)] = rawValue(prepared.handle, c);
            rows.push_back(std::move(row));
        }
        if (step != SQLITE_DONE)
            fail({});
        if (columns == 0) {
            // The change count of a statement that changes no table (CREATE, DROP) would
            // still be that of the statement before; the total tells the truth.
            changes += sqlite3_total_changes64(&database) - totalBefore;
            anyChange = anyChange || !sqlite3_stmt_readonly(prepared.handle);
            continue;
        }
        // The column types: declared ones where every stored value fits them, else text.
        std::vector<FieldInfo> fields(static_cast<size_t>(columns));
        for (int c = 0; c < columns; ++c) {
            FieldInfo &field = fields[size_t(c)];
            field.name = QString::fromUtf8(sqlite3_column_name(prepared.handle, c));
            const char *declared = sqlite3_column_decltype(prepared.handle, c);
            int scale = -1;
            const auto type = declaredType(QString::fromUtf8(declared ? declared : ""), scale);
            field.type = type.value_or(inferredType(rows, size_t(c)));
            field.scale = scale;
            for (auto &row : rows) {
                if (!typedValue(row[size_t(c)], field.type, field.scale)) {
                    field.type = FieldType::Text;
                    field.scale = -1;
                    break;
                }
            }
            if (const char *table = sqlite3_column_table_name(prepared.handle, c)) {
                field.baseTable = QString::fromUtf8(table);
                field.baseColumn
                    = QString::fromUtf8(sqlite3_column_origin_name(prepared.handle, c));
                int notNull = 0, primary = 0, autoIncrement = 0;
                const char *columnType = nullptr;
                if (sqlite3_table_column_metadata(
                        &database, sqlite3_column_database_name(prepared.handle, c), table,
                        sqlite3_column_origin_name(prepared.handle, c), &columnType, nullptr,
                        &notNull, &primary, &autoIncrement)
                    == SQLITE_OK) {
                    field.nullable = !notNull;
                    // An INTEGER PRIMARY KEY is the row id: the database fills it in.
                    field.autoIncrement = autoIncrement
                        || (primary && columnType
                            && QString::fromUtf8(columnType)
                                    .compare(QLatin1String("INTEGER"), Qt::CaseInsensitive)
                                == 0);
                }
            }
        }
        RowStore store(std::move(fields));
        for (auto &row : rows) {
            for (int c = 0; c < columns; ++c) {
                const FieldInfo &field = store.fields()[size_t(c)];
                row[size_t(c)] = *typedValue(row[size_t(c)], field.type, field.scale);
            }
            store.appendRow(row);
        }
        result.hasRows = true;
        result.rows = std::move(store);
    }
    if (!result.hasRows)
        result.rowsAffected = anyChange ? changes : -1;
    return result;
}

QStringList SqliteProvider::primaryKey(const QString &table)
{
    QString name = table;
    if (name.startsWith(QLatin1Char('[')) && name.endsWith(QLatin1Char(']')))
        name = name.mid(1, name.size() - 2);
    const StatementResult info = run(QStringLiteral("SELECT name, pk FROM pragma_table_info(?) "
                                                    "WHERE pk > 0 ORDER BY pk"),
                                     { Value::text(name) });
    QStringList keys;
    for (size_t row = 0; row < info.rows.rowCount(); ++row)
        keys << info.rows.value(row, 0).toText();
    return keys;
}

Value SqliteProvider::lastInsertId()
{
    const sqlite3_int64 id = sqlite3_last_insert_rowid(&db());
    return id ? Value::integer(id) : Value();
}

QString SqliteProvider::quoteIdentifier(const QString &name) const
{
    if (name.startsWith(QLatin1Char('[')) && name.endsWith(QLatin1Char(']')))
        return name;
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace vrl
