// The column types SQL Server drivers report, fed to the result reader as a driver describes
// them and hands their cells over: what each becomes, and how it shows, filters, sorts and
// sums. No SQL Server runs here; this proves the reader's choices, not a driver's behaviour.
#include "access/RowFilter.h"
#include "access/RowSort.h"
#include "access/odbc/OdbcResultReader.h"
#include "basic/TableColumnSum.h"
#include "regional/Regional.h"

#include <sqlext.h>

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>

using namespace vrl;
using namespace vrl::odbc;

namespace {

// The types of SQL Server's catalogue as its drivers describe them (FreeTDS and Microsoft's
// report the same codes; the ones above the standard range are SQL Server's own).
constexpr SQLSMALLINT kTimeOffset = -155; // datetimeoffset
constexpr SQLSMALLINT kTime2 = -154; // time(n)
constexpr SQLSMALLINT kXml = -152;
constexpr SQLSMALLINT kVariant = -150; // sql_variant

ColumnDescription column(const char *name, SQLSMALLINT type, SQLULEN size, SQLSMALLINT digits = 0,
                         bool isUnsigned = false)
{
    return { QString::fromUtf8(name), type, size, digits, true, isUnsigned };
}

void appendWide(Column &into, const ColumnDescription &description, const QString &text)
{
    appendCell(into, description, text.utf16(), SQLLEN(text.size() * 2), TextEncoding::Wide);
}

void appendChars(Column &into, const ColumnDescription &description, const char *text)
{
    appendCell(into, description, text, SQLLEN(std::strlen(text)), TextEncoding::Wide);
}

} // namespace

TEST(SqlServerTypes, EachTypeBecomesTheFieldAUserExpects)
{
    const struct
    {
        ColumnDescription description;
        FieldType type;
        int scale;
        bool isLong;
    } cases[] = {
        { column("money", SQL_DECIMAL, 19, 4), FieldType::Decimal, 4, false },
        { column("smallmoney", SQL_DECIMAL, 10, 4), FieldType::Decimal, 4, false },
        { column("datetime2", SQL_TYPE_TIMESTAMP, 27, 7), FieldType::DateTime, -1, false },
        { column("datetimeoffset", kTimeOffset, 34, 7), FieldType::Text, -1, false },
        { column("time", kTime2, 16, 7), FieldType::Text, -1, false },
        { column("uniqueidentifier", SQL_GUID, 36), FieldType::Text, -1, false },
        { column("nvarchar(max)", SQL_WVARCHAR, 0), FieldType::Text, -1, true },
        { column("xml", kXml, 0), FieldType::Text, -1, true },
        { column("sql_variant", kVariant, 8000), FieldType::Text, -1, true },
        { column("varbinary(max)", SQL_VARBINARY, 0), FieldType::Binary, -1, true },
        { column("bit", SQL_BIT, 1), FieldType::Bool, -1, false },
        { column("tinyint", SQL_TINYINT, 3, 0, true), FieldType::Int, -1, false },
        { column("rowversion", SQL_BINARY, 8), FieldType::Binary, -1, false },
    };
    for (const auto &c : cases) {
        const ColumnKind kind = columnKind(c.description, TextEncoding::Wide);
        SCOPED_TRACE(c.description.name.toStdString());
        EXPECT_EQ(kind.field.type, c.type);
        if (c.type == FieldType::Decimal) {
            EXPECT_EQ(kind.field.scale, c.scale);
        }
        EXPECT_EQ(kind.isLong, c.isLong);
    }
}

TEST(SqlServerTypes, MoneyGuidsAndOffsetsShowFilterSortAndSumAsTheyShould)
{
    const ColumnDescription money = column("cena", SQL_DECIMAL, 19, 4);
    const ColumnDescription guid = column("klíč", SQL_GUID, 36);
    const ColumnDescription offset = column("kdy", kTimeOffset, 34, 7);
    const ColumnDescription stamp = column("zapsáno", SQL_TYPE_TIMESTAMP, 27, 7);
    const ColumnDescription small = column("kusy", SQL_TINYINT, 3, 0, true);
    RowStore rows(
        { columnKind(money, TextEncoding::Wide).field, columnKind(guid, TextEncoding::Wide).field,
          columnKind(offset, TextEncoding::Wide).field, columnKind(stamp, TextEncoding::Wide).field,
          columnKind(small, TextEncoding::Wide).field });
    const char *prices[] = { "12.3400", "-0.5000", "922337203685477.5807" };
    const QString keys[] = { QStringLiteral("6F9619FF-8B86-D011-B42D-00C04FC964FF"),
                             QStringLiteral("00000000-0000-0000-0000-000000000001"),
                             QStringLiteral("A0EEBC99-9C0B-4EF8-BB6D-6BB9BD380A11") };
    const QString offsets[] = { QStringLiteral("2024-03-01 08:30:00.1234567 +01:00"),
                                QStringLiteral("2024-03-01 07:00:00.0000000 -05:00"),
                                QStringLiteral("1999-12-31 23:59:59.9999999 +14:00") };
    for (int row = 0; row < 3; ++row) {
        appendChars(rows.column(0), money, prices[row]);
        appendWide(rows.column(1), guid, keys[row]);
        appendWide(rows.column(2), offset, offsets[row]);
        SQL_TIMESTAMP_STRUCT ts { SQLSMALLINT(2024),     2, 29, SQLUSMALLINT(13 + row), 5, 9,
                                  SQLUINTEGER(123456700) };
        appendCell(rows.column(3), stamp, &ts, sizeof ts, TextEncoding::Wide);
        const qint64 count = row == 2 ? 255 : row;
        appendCell(rows.column(4), small, &count, sizeof count, TextEncoding::Wide);
    }

    // Money keeps its four decimals, exactly, even at its largest.
    EXPECT_EQ(rows.value(0, 0).toText(), QStringLiteral("12,3400"));
    EXPECT_EQ(rows.value(2, 0).toText(), QStringLiteral("922337203685477,5807"));
    EXPECT_EQ(sumText(Value::decimal(QStringLiteral("11.8400"))), QStringLiteral("11,84"));
    EXPECT_TRUE(isSummable(rows.fields()[0].type));
    // GUIDs and offsets are texts, as the server writes them; the offset stays.
    EXPECT_EQ(rows.value(0, 1).toText(), keys[0]);
    EXPECT_EQ(rows.value(1, 2).toText(), offsets[1]);
    EXPECT_FALSE(isSummable(rows.fields()[1].type));
    // datetime2 shows to the second in the regional form; an unsigned tinyint is 255.
    EXPECT_EQ(rows.value(0, 3).toText(), QStringLiteral("29.02.2024 13:05:09"));
    EXPECT_EQ(rows.value(2, 4).toText(), QStringLiteral("255"));

    const Regional &forms = Regional::system();
    EXPECT_EQ(RowFilter(QStringLiteral("cena = '12,34'"), rows, forms).matchingRows(),
              std::vector<quint32>({ 0 }));
    EXPECT_EQ(RowFilter(QStringLiteral("cena < 0"), rows, forms).matchingRows(),
              std::vector<quint32>({ 1 }));
    EXPECT_EQ(
        RowFilter(QStringLiteral("klíč = '") + keys[2].toLower() + QLatin1Char('\''), rows, forms)
            .matchingRows(),
        std::vector<quint32>({ 2 }));
    EXPECT_EQ(RowFilter(QStringLiteral("kdy LIKE '*+01:00'"), rows, forms).matchingRows(),
              std::vector<quint32>({ 0 }));
    EXPECT_EQ(RowFilter(QStringLiteral("zapsáno > #29.2.2024 14:00#"), rows, forms).matchingRows(),
              std::vector<quint32>({ 1, 2 }));

    std::vector<quint32> order(3);
    std::iota(order.begin(), order.end(), 0);
    RowSort(QStringLiteral("cena DESC"), rows).apply(order, forms.locale());
    EXPECT_EQ(order, std::vector<quint32>({ 2, 0, 1 }));
    RowSort(QStringLiteral("klíč ASC"), rows).apply(order, forms.locale());
    EXPECT_EQ(order, std::vector<quint32>({ 1, 0, 2 }));
}
