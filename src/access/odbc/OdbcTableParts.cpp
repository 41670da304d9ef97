// Reading a MariaDB/MySQL table in parts by its key, the next part received while the current
// one is converted.
#include "access/odbc/OdbcProvider.h"

#include "access/DataError.h"
#include "access/odbc/OdbcParameters.h"
#include "access/odbc/OdbcResultReader.h"

#include <chrono>
#include <future>

namespace vrl {

using namespace odbc;

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
        // The server's count is an estimate, short or long by a few percent. Room beyond it
        // costs no memory until rows are written there, while a short room moves every column
        // once it runs out.
        readPartsAfterEachOther(table, keyName, result.rows, SQLLEN(estimate + estimate / 8));
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
    m_partTimes = {};
    const auto since = [](std::chrono::steady_clock::time_point start) {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count();
    };
    auto start = std::chrono::steady_clock::now();
    TablePart part = executeTablePart(table, keyName, std::nullopt);
    m_partTimes.firstMs = since(start);
    for (;;) {
        ++m_partTimes.parts;
        SQLLEN held = -1;
        const bool received = SQL_SUCCEEDED(SQLRowCount(part.handle.get(), &held)) && held >= 0;
        std::future<TablePart> next;
        if (part.last && received)
            next = std::async(std::launch::async, [this, &table, &keyName, after = *part.last] {
                return executeTablePart(table, keyName, after);
            });
        start = std::chrono::steady_clock::now();
        {
            const Running running(*this, part.handle.get());
            readRows(part.handle.get(), textEncoding(), rows, expectedRows);
        }
        m_partTimes.convertMs += since(start);
        if (!part.last)
            break;
        start = std::chrono::steady_clock::now();
        part = next.valid() ? next.get() : executeTablePart(table, keyName, *part.last);
        m_partTimes.waitMs += since(start);
    }
}

} // namespace vrl
