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
                                                       const std::optional<Value> &after,
                                                       bool limited)
{
    const QString key = quoteIdentifier(keyName);
    std::vector<Value> values;
    if (after)
        values.push_back(*after);
    TablePart part;
    part.limited = limited;
    part.handle = newStatement();
    SQLHSTMT handle = part.handle.get();
    // A scrollable cursor over the rows the driver holds lets the part's last key be read
    // before its rows are fetched. A driver that will not scroll reads its parts one after the
    // other.
    SQLSetStmtAttr(handle, SQL_ATTR_CURSOR_TYPE, reinterpret_cast<SQLPOINTER>(SQL_CURSOR_STATIC),
                   0);
    const QString statement = QStringLiteral("SELECT * FROM ") + quoteIdentifier(table)
        + (after ? QStringLiteral(" WHERE ") + key + QStringLiteral(" > ?") : QString())
        + QStringLiteral(" ORDER BY ") + key
        + (limited ? QStringLiteral(" LIMIT %1").arg(m_tablePartRows) : QString());
    check(SQLPrepareW(handle, wide(statement), SQL_NTS), SQL_HANDLE_STMT, handle);
    std::vector<Parameter> bound;
    bindParameters(handle, values, bound, textEncoding() == TextEncoding::Utf8);
    const auto execute = [&] {
        const Running running(*this, handle);
        check(SQLExecute(handle), SQL_HANDLE_STMT, handle);
    };
    execute();
    if (!limited)
        return part;
    SQLLEN rows = -1; // as the driver counts them; -1 when it does not
    if (!SQL_SUCCEEDED(SQLRowCount(handle, &rows)))
        rows = -1;

    // Only an integer or a text goes back to the server exactly as it came: a table with a key
    // of another kind (a wide or decimal number, a date) is read at once. So is one whose key
    // the result does not name as the table does.
    const int keyColumn = resultColumnNamed(handle, keyName, textEncoding());
    const FieldType keyType = keyColumn > 0
        ? resultField(handle, SQLUSMALLINT(keyColumn), textEncoding()).type
        : FieldType::Binary;
    if (!after && keyType != FieldType::Int && keyType != FieldType::Text) {
        part.handle.reset();
        return executeTablePart(table, keyName, std::nullopt, false);
    }
    // The last part, or a driver that neither counts the rows it holds nor stands on the last
    // of them: the part is read to its end before the next is asked for.
    if (keyColumn == 0 || rows != m_tablePartRows
        || !SQL_SUCCEEDED(SQLFetchScroll(handle, SQL_FETCH_ABSOLUTE, rows)))
        return part;
    const Value last = currentValue(handle, SQLUSMALLINT(keyColumn), textEncoding());
    // Back before the first row, where a fetch begins; a driver that cannot go back has the
    // part executed again, to be read from its beginning.
    if (SQLFetchScroll(handle, SQL_FETCH_ABSOLUTE, 0) != SQL_NO_DATA) {
        SQLFreeStmt(handle, SQL_CLOSE);
        execute();
        return part;
    }
    if (!last.isNull())
        part.last = last;
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
    // a later MariaDB driver asked not to cache) or cannot read the last row first must see
    // each part to its end before the next statement: its parts go one after the other, each
    // after the last key of the one before.
    m_partTimes = {};
    const auto since = [](std::chrono::steady_clock::time_point start) {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count();
    };
    auto start = std::chrono::steady_clock::now();
    TablePart part = executeTablePart(table, keyName, std::nullopt, true);
    m_partTimes.firstMs = since(start);
    for (;;) {
        ++m_partTimes.parts;
        std::future<TablePart> next;
        if (part.last)
            next = std::async(std::launch::async, [this, &table, &keyName, after = *part.last] {
                return executeTablePart(table, keyName, after, true);
            });
        start = std::chrono::steady_clock::now();
        const size_t before = rows.rowCount();
        {
            const Running running(*this, part.handle.get());
            readRows(part.handle.get(), textEncoding(), rows, expectedRows);
        }
        m_partTimes.convertMs += since(start);
        if (!part.limited || rows.rowCount() - before < size_t(m_tablePartRows)) {
            if (next.valid())
                next.get(); // a part the server could not have had; its statement is freed
            break;
        }
        start = std::chrono::steady_clock::now();
        if (next.valid()) {
            part = next.get();
        } else {
            const Value last = rows.value(rows.rowCount() - 1, rows.fieldIndex(keyName));
            part = executeTablePart(table, keyName, last, true);
        }
        m_partTimes.waitMs += since(start);
    }
}

} // namespace vrl
