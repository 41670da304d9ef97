#include "access/odbc/OdbcResultReader.h"

#include "access/DataError.h"
#include "access/odbc/OdbcHandles.h"

#include <QDate>

#include <sqlext.h>

#include <cstring>
#include <vector>

namespace vrl::odbc {

namespace {

constexpr qint64 kMsecsPerDay = 86400000;
constexpr SQLULEN kLongText = 4000; // characters; wider text is read piece by piece
constexpr SQLULEN kLongBinary = 8000; // bytes
constexpr size_t kRowsetBytes = 4 << 20;
constexpr SQLLEN kMaxReservedRows = 10'000'000; // a count beyond this is not trusted

// How one column is fetched.
enum class Fetch { Integer, Bit, Double, Timestamp, DecimalChars, WideText, Utf8Text, Bytes };

struct ColumnPlan
{
    FieldInfo info;
    Fetch fetch = Fetch::WideText;
    SQLSMALLINT cType = SQL_C_WCHAR;
    SQLLEN elementBytes = 0; // bytes of one cell in a bound row array
    bool isLong = false;
    std::vector<char> buffer;
    std::vector<SQLLEN> indicators;
};

QString columnAttribute(SQLHSTMT statement, SQLUSMALLINT column, SQLUSMALLINT field)
{
    SQLWCHAR text[512] = {};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(
            SQLColAttributeW(statement, column, field, text, sizeof text, &length, nullptr)))
        return QString();
    return fromWide(text, std::min<qsizetype>(length / qsizetype(sizeof(SQLWCHAR)), 511));
}

SQLLEN numericAttribute(SQLHSTMT statement, SQLUSMALLINT column, SQLUSMALLINT field)
{
    SQLLEN value = 0;
    SQLColAttributeW(statement, column, field, nullptr, 0, nullptr, &value);
    return value;
}

// How a column of the description is fetched and kept.
ColumnPlan planFor(const ColumnDescription &column, TextEncoding encoding)
{
    ColumnPlan plan;
    FieldInfo &info = plan.info;
    info.name = column.name;
    info.nullable = column.nullable;
    info.size = int(std::min<SQLULEN>(column.size, SQLULEN(INT_MAX)));
    const SQLSMALLINT sqlType = column.sqlType;
    const SQLULEN size = column.size;
    const SQLSMALLINT digits = column.digits;
    const bool isUnsigned = column.isUnsigned;
    switch (sqlType) {
    case SQL_BIT:
        info.type = FieldType::Bool;
        plan.fetch = Fetch::Bit;
        plan.cType = SQL_C_BIT;
        plan.elementBytes = sizeof(unsigned char);
        break;
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
        info.type = FieldType::Int;
        plan.fetch = Fetch::Integer;
        plan.cType = SQL_C_SBIGINT;
        plan.elementBytes = sizeof(qint64);
        break;
    case SQL_BIGINT:
        if (isUnsigned) {
            // Above 2^63 it does not fit a signed integer: kept as exact digits.
            info.type = FieldType::Decimal;
            info.scale = 0;
            plan.fetch = Fetch::DecimalChars;
            plan.cType = SQL_C_CHAR;
            plan.elementBytes = 24;
        } else {
            info.type = FieldType::Int;
            plan.fetch = Fetch::Integer;
            plan.cType = SQL_C_SBIGINT;
            plan.elementBytes = sizeof(qint64);
        }
        break;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
        info.type = FieldType::Double;
        plan.fetch = Fetch::Double;
        plan.cType = SQL_C_DOUBLE;
        plan.elementBytes = sizeof(double);
        break;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
        info.type = FieldType::Decimal;
        info.scale = digits;
        plan.fetch = Fetch::DecimalChars;
        plan.cType = SQL_C_CHAR;
        plan.elementBytes = SQLLEN(std::max<SQLULEN>(size, 1) + 4);
        break;
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIMESTAMP:
    case SQL_DATETIME:
        info.type = FieldType::DateTime;
        plan.fetch = Fetch::Timestamp;
        plan.cType = SQL_C_TYPE_TIMESTAMP;
        plan.elementBytes = sizeof(SQL_TIMESTAMP_STRUCT);
        break;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
        info.type = FieldType::Binary;
        plan.fetch = Fetch::Bytes;
        plan.cType = SQL_C_BINARY;
        plan.isLong = sqlType == SQL_LONGVARBINARY || size == 0 || size > kLongBinary;
        plan.elementBytes = SQLLEN(std::max<SQLULEN>(size, 1));
        break;
    default:
        // Text, and whatever else is best read as text (TIME, GUID, intervals).
        info.type = FieldType::Text;
        plan.fetch = encoding == TextEncoding::Utf8 ? Fetch::Utf8Text : Fetch::WideText;
        plan.cType = encoding == TextEncoding::Utf8 ? SQL_C_CHAR : SQL_C_WCHAR;
        {
            SQLULEN chars = size;
            if (sqlType == SQL_TYPE_TIME || sqlType == SQL_GUID || chars < 64)
                chars = std::max<SQLULEN>(chars, 64);
            plan.isLong = sqlType == SQL_LONGVARCHAR || sqlType == SQL_WLONGVARCHAR || size == 0
                || size > kLongText;
            // Two UTF-16 units per character (a character outside the BMP takes a
            // surrogate pair), or four UTF-8 bytes.
            plan.elementBytes = encoding == TextEncoding::Utf8
                ? SQLLEN(chars * 4 + 1)
                : SQLLEN((chars * 2 + 1) * sizeof(SQLWCHAR));
        }
        break;
    }
    return plan;
}

ColumnPlan describeColumn(SQLHSTMT statement, SQLUSMALLINT c, TextEncoding encoding)
{
    SQLWCHAR name[512] = {};
    SQLSMALLINT nameLength = 0, sqlType = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    check(SQLDescribeColW(statement, c, name, SQLSMALLINT(std::size(name)), &nameLength, &sqlType,
                          &size, &digits, &nullable),
          SQL_HANDLE_STMT, statement);
    ColumnDescription column;
    column.name = fromWide(name, std::min<qsizetype>(nameLength, 511));
    column.sqlType = sqlType;
    column.size = size;
    column.digits = digits;
    column.nullable = nullable != SQL_NO_NULLS;
    column.isUnsigned = numericAttribute(statement, c, SQL_DESC_UNSIGNED) == SQL_TRUE;
    ColumnPlan plan = planFor(column, encoding);
    FieldInfo &info = plan.info;
    info.baseTable = columnAttribute(statement, c, SQL_DESC_BASE_TABLE_NAME);
    info.baseColumn = columnAttribute(statement, c, SQL_DESC_BASE_COLUMN_NAME);
    if (info.baseColumn.isEmpty() && !info.baseTable.isEmpty())
        info.baseColumn = info.name;
    info.autoIncrement = numericAttribute(statement, c, SQL_DESC_AUTO_UNIQUE_VALUE) == SQL_TRUE;
    return plan;
}

std::vector<ColumnPlan> describe(SQLHSTMT statement, SQLSMALLINT columns, TextEncoding encoding)
{
    std::vector<ColumnPlan> plans;
    plans.reserve(size_t(columns));
    for (SQLSMALLINT c = 1; c <= columns; ++c)
        plans.push_back(describeColumn(statement, SQLUSMALLINT(c), encoding));
    return plans;
}

void appendTimestamp(Column &column, const SQL_TIMESTAMP_STRUCT &ts)
{
    const QDate date(ts.year, ts.month, ts.day);
    if (!date.isValid()) {
        column.appendNull();
        return;
    }
    const qint64 msecs
        = ((qint64(ts.hour) * 60 + ts.minute) * 60 + ts.second) * 1000 + ts.fraction / 1000000;
    column.appendInteger(date.toJulianDay() * kMsecsPerDay + msecs);
}

void appendDecimalChars(Column &column, const char *chars, qsizetype length, const FieldInfo &info)
{
    if (!column.appendDecimal(std::string_view(chars, size_t(length))))
        throw DataError(QStringLiteral("Položka %1: hodnotu \"%2\" nelze číst jako číslo.")
                            .arg(info.name, QString::fromLatin1(chars, length)));
}

// Appends the cell at index row of a bound row array.
void appendBound(Column &column, const ColumnPlan &plan, size_t row)
{
    const SQLLEN indicator = plan.indicators[row];
    if (indicator == SQL_NULL_DATA) {
        column.appendNull();
        return;
    }
    const char *cell = plan.buffer.data() + row * size_t(plan.elementBytes);
    switch (plan.fetch) {
    case Fetch::Integer: {
        qint64 value;
        std::memcpy(&value, cell, sizeof value);
        column.appendInteger(value);
        return;
    }
    case Fetch::Bit:
        column.appendInteger(*reinterpret_cast<const unsigned char *>(cell) ? 1 : 0);
        return;
    case Fetch::Double: {
        double value;
        std::memcpy(&value, cell, sizeof value);
        column.appendDouble(value);
        return;
    }
    case Fetch::Timestamp: {
        SQL_TIMESTAMP_STRUCT ts;
        std::memcpy(&ts, cell, sizeof ts);
        appendTimestamp(column, ts);
        return;
    }
    case Fetch::DecimalChars:
        appendDecimalChars(
            column, cell, qsizetype(std::min<SQLLEN>(indicator, plan.elementBytes - 1)), plan.info);
        return;
    case Fetch::WideText:
        if (indicator >= plan.elementBytes)
            throw DataError(QStringLiteral("Položka %1: text je delší, než ovladač ohlásil.")
                                .arg(plan.info.name));
        column.appendText(
            QStringView(reinterpret_cast<const char16_t *>(cell), qsizetype(indicator / 2)));
        return;
    case Fetch::Utf8Text:
        if (indicator >= plan.elementBytes)
            throw DataError(QStringLiteral("Položka %1: text je delší, než ovladač ohlásil.")
                                .arg(plan.info.name));
        column.appendUtf8Text(std::string_view(cell, size_t(indicator)));
        return;
    case Fetch::Bytes:
        column.appendBytes(cell, qsizetype(std::min<SQLLEN>(indicator, plan.elementBytes)));
        return;
    }
}

// Reads one cell of the current row with SQLGetData, in pieces for long values.
void appendFetched(SQLHSTMT statement, SQLUSMALLINT c, Column &column, const ColumnPlan &plan)
{
    SQLLEN indicator = 0;
    switch (plan.fetch) {
    case Fetch::Integer:
    case Fetch::Bit:
    case Fetch::Double:
    case Fetch::Timestamp: {
        alignas(8) char cell[sizeof(SQL_TIMESTAMP_STRUCT) + 8] = {};
        check(SQLGetData(statement, c, plan.cType, cell, sizeof cell, &indicator), SQL_HANDLE_STMT,
              statement);
        ColumnPlan single { plan.info,    plan.fetch,
                            plan.cType,   SQLLEN(sizeof cell),
                            false,        std::vector<char>(cell, cell + sizeof cell),
                            { indicator } };
        appendBound(column, single, 0);
        return;
    }
    case Fetch::DecimalChars: {
        char cell[128] = {};
        check(SQLGetData(statement, c, SQL_C_CHAR, cell, sizeof cell, &indicator), SQL_HANDLE_STMT,
              statement);
        if (indicator == SQL_NULL_DATA)
            column.appendNull();
        else
            appendDecimalChars(column, cell, qsizetype(std::strlen(cell)), plan.info);
        return;
    }
    case Fetch::WideText:
    case Fetch::Utf8Text:
    case Fetch::Bytes: {
        const bool text = plan.fetch != Fetch::Bytes;
        const SQLLEN terminator = plan.fetch == Fetch::WideText ? SQLLEN(sizeof(SQLWCHAR))
            : plan.fetch == Fetch::Utf8Text                     ? 1
                                                                : 0;
        QByteArray whole;
        std::vector<char> piece(64 * 1024);
        for (;;) {
            const SQLRETURN got = SQLGetData(statement, c, plan.cType, piece.data(),
                                             SQLLEN(piece.size()), &indicator);
            if (got == SQL_NO_DATA)
                break;
            check(got, SQL_HANDLE_STMT, statement);
            if (indicator == SQL_NULL_DATA) {
                column.appendNull();
                return;
            }
            // A full piece holds its buffer less the terminator of text.
            const SQLLEN room = SQLLEN(piece.size()) - terminator;
            const SQLLEN taken = (indicator == SQL_NO_TOTAL || indicator > room) ? room : indicator;
            whole.append(piece.data(), qsizetype(taken));
            if (got == SQL_SUCCESS)
                break;
        }
        if (plan.fetch == Fetch::Utf8Text)
            column.appendUtf8Text(std::string_view(whole.constData(), size_t(whole.size())));
        else if (text)
            column.appendText(QStringView(reinterpret_cast<const char16_t *>(whole.constData()),
                                          whole.size() / 2));
        else
            column.appendBytes(whole.constData(), whole.size());
        return;
    }
    }
}

} // namespace

RowStore readResult(SQLHSTMT statement, TextEncoding encoding)
{
    RowStore store;
    readRows(statement, encoding, store, -1);
    return store;
}

int resultColumnNamed(SQLHSTMT statement, const QString &name, TextEncoding encoding)
{
    SQLSMALLINT columns = 0;
    check(SQLNumResultCols(statement, &columns), SQL_HANDLE_STMT, statement);
    for (SQLSMALLINT c = 1; c <= columns; ++c) {
        if (describeColumn(statement, SQLUSMALLINT(c), encoding)
                .info.name.compare(name, Qt::CaseInsensitive)
            == 0)
            return c;
    }
    return 0;
}

FieldInfo resultField(SQLHSTMT statement, SQLUSMALLINT column, TextEncoding encoding)
{
    return describeColumn(statement, column, encoding).info;
}

Value currentValue(SQLHSTMT statement, SQLUSMALLINT column, TextEncoding encoding)
{
    const ColumnPlan plan = describeColumn(statement, column, encoding);
    RowStore cell({ plan.info });
    appendFetched(statement, column, cell.column(0), plan);
    return cell.value(0, 0);
}

void readRows(SQLHSTMT statement, TextEncoding encoding, RowStore &store, SQLLEN expectedRows)
{
    SQLSMALLINT columns = 0;
    check(SQLNumResultCols(statement, &columns), SQL_HANDLE_STMT, statement);
    std::vector<ColumnPlan> plans = describe(statement, columns, encoding);
    std::vector<FieldInfo> fields;
    bool anyLong = false;
    size_t rowBytes = 0;
    for (const ColumnPlan &plan : plans) {
        fields.push_back(plan.info);
        anyLong = anyLong || plan.isLong;
        rowBytes += size_t(plan.elementBytes) + sizeof(SQLLEN);
    }
    const bool fresh = store.fieldCount() == 0;
    if (fresh) {
        store = RowStore(std::move(fields));
    } else if (store.fieldCount() != columns) {
        throw DataError(QStringLiteral("Části tabulky se liší počtem položek."));
    }
    // Drivers that hold the whole result (MariaDB's does) know its row count: the columns then
    // grow once instead of doubling their way there. A later part of a table grows them by a
    // quarter at least, never to twice what they hold.
    SQLLEN count = -1;
    if (!SQL_SUCCEEDED(SQLRowCount(statement, &count)))
        count = -1;
    SQLLEN expected = fresh && expectedRows > 0 ? std::max(expectedRows, count) : count;
    if (fresh && expected > 0) {
        for (SQLSMALLINT c = 0; c < columns; ++c)
            store.column(c).reserve(size_t(std::min<SQLLEN>(expected, kMaxReservedRows)));
    } else if (!fresh && count > 0) {
        for (SQLSMALLINT c = 0; c < columns; ++c)
            store.column(c).reserveMore(size_t(count));
    }

    if (anyLong) {
        for (;;) {
            const SQLRETURN fetched = SQLFetch(statement);
            if (fetched == SQL_NO_DATA)
                break;
            check(fetched, SQL_HANDLE_STMT, statement);
            for (SQLSMALLINT c = 0; c < columns; ++c)
                appendFetched(statement, SQLUSMALLINT(c + 1), store.column(c), plans[size_t(c)]);
        }
        return;
    }

    const SQLULEN rowset
        = std::clamp<SQLULEN>(kRowsetBytes / std::max<size_t>(rowBytes, 1), 1, 4096);
    SQLULEN fetchedRows = 0;
    check(SQLSetStmtAttr(statement, SQL_ATTR_ROW_BIND_TYPE,
                         reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN), 0),
          SQL_HANDLE_STMT, statement);
    check(
        SQLSetStmtAttr(statement, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(rowset), 0),
        SQL_HANDLE_STMT, statement);
    check(SQLSetStmtAttr(statement, SQL_ATTR_ROWS_FETCHED_PTR, &fetchedRows, 0), SQL_HANDLE_STMT,
          statement);
    for (SQLSMALLINT c = 0; c < columns; ++c) {
        ColumnPlan &plan = plans[size_t(c)];
        plan.buffer.assign(size_t(plan.elementBytes) * rowset, 0);
        plan.indicators.assign(rowset, 0);
        check(SQLBindCol(statement, SQLUSMALLINT(c + 1), plan.cType, plan.buffer.data(),
                         plan.elementBytes, plan.indicators.data()),
              SQL_HANDLE_STMT, statement);
    }
    bool textReserved = !fresh || expected <= 0;
    for (;;) {
        const SQLRETURN fetched = SQLFetch(statement);
        if (fetched == SQL_NO_DATA)
            break;
        check(fetched, SQL_HANDLE_STMT, statement);
        for (SQLSMALLINT c = 0; c < columns; ++c) {
            Column &column = store.column(c);
            const ColumnPlan &plan = plans[size_t(c)];
            for (size_t row = 0; row < fetchedRows; ++row)
                appendBound(column, plan, row);
        }
        if (!textReserved && store.rowCount() > 0) {
            // The first rows tell how long the texts run: the text buffers grow once, not by
            // doubling, which would hold the old and the new buffer at once.
            textReserved = true;
            const double rowsSoFar = double(store.rowCount());
            for (SQLSMALLINT c = 0; c < columns; ++c) {
                Column &column = store.column(c);
                const double perRow = double(column.textUnits()) / rowsSoFar;
                if (perRow > 0)
                    column.reserveText(size_t(
                        perRow * double(std::min<SQLLEN>(expected, kMaxReservedRows)) * 1.02));
            }
        }
    }
    // The buffers die with this function: unbind them, and back to one row per fetch.
    SQLFreeStmt(statement, SQL_UNBIND);
    SQLSetStmtAttr(statement, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(1), 0);
    SQLSetStmtAttr(statement, SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0);
}

ColumnKind columnKind(const ColumnDescription &column, TextEncoding encoding)
{
    const ColumnPlan plan = planFor(column, encoding);
    return { plan.info, plan.cType, plan.isLong };
}

void appendCell(Column &column, const ColumnDescription &description, const void *data,
                SQLLEN indicator, TextEncoding encoding)
{
    ColumnPlan plan = planFor(description, encoding);
    const size_t bytes = indicator > 0 ? size_t(indicator) : 0;
    const char *begin = static_cast<const char *>(data);
    plan.buffer.assign(begin, begin + bytes);
    plan.buffer.resize(bytes + 8); // room for the terminator a driver writes
    plan.elementBytes = SQLLEN(plan.buffer.size());
    plan.indicators = { indicator };
    appendBound(column, plan, 0);
}

} // namespace vrl::odbc
