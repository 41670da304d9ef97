// The column sum of the table area against the real databases: names that need quoting, the
// filter of the grid carried into the sum's SQL, and totals that keep the server's digits.
#include "access/Connection.h"
#include "access/ConnectionTemplates.h"
#include "access/Dataset.h"
#include "basic/TableColumnSum.h"

#include "support/GeneratedWorkbook.h"
#include "support/ScriptedPrompts.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using namespace vrl;
using namespace vrl::test;

namespace {

struct Backend
{
    std::string name;
    // Connects to a database holding the goods table and gives the table's name as the
    // table area gets it; an empty name skips the backend.
    std::function<QString(Connection &, const QTemporaryDir &)> prepare;
};

void PrintTo(const Backend &backend, std::ostream *out)
{
    *out << backend.name;
}

// Název, Částka, Dne, Jednotková cena, order: the same six goods in both databases.
QString mariaDbGoods(Connection &connection, const QTemporaryDir &)
{
    const QString odbc = qEnvironmentVariable("VORLAN_TEST_ODBC");
    if (odbc.isEmpty())
        return QString();
    connection.setConnectionString(QStringLiteral("Provider=MSDASQL.1;Extended Properties=\"")
                                   + odbc + QLatin1Char('"'));
    connection.open();
    const QString table = QStringLiteral("ceník `sum` 1");
    Provider &provider = connection.provider();
    const QString quoted = provider.quoteIdentifier(table);
    provider.run(QStringLiteral("DROP TABLE IF EXISTS ") + quoted);
    provider.run(QStringLiteral("CREATE TABLE ") + quoted
                 + QStringLiteral(" (Název VARCHAR(40), Částka DECIMAL(12,2), Dne DATETIME, "
                                  "`Jednotková cena` INT, `order` INT)"));
    provider.run(QStringLiteral("INSERT INTO ") + quoted
                 + QStringLiteral(" VALUES ('Alfa', 250.50, '2024-02-29 13:30:00', 1, 10), "
                                  "('alfa%x', 100.25, NULL, 2, 20), "
                                  "('C:\\\\temp\\\\x', 7.00, '1999-12-31 00:00:00', 3, 30), "
                                  "('Beta', 250.00, '2024-02-29 00:00:00', 4, 40), "
                                  "('Ára', 1.00, NULL, 5, 50), (NULL, NULL, NULL, NULL, NULL)"));
    return table;
}

QString inlineText(const char *cell, const QString &text)
{
    return QStringLiteral("<c r=\"%1\" t=\"inlineStr\"><is><t>%2</t></is></c>")
        .arg(QLatin1String(cell), text);
}

QString number(const char *cell, const char *value, int style = 0)
{
    return QStringLiteral("<c r=\"%1\"%2><v>%3</v></c>")
        .arg(QLatin1String(cell), style ? QStringLiteral(" s=\"%1\"").arg(style) : QString(),
             QLatin1String(value));
}

QString workbookGoods(Connection &connection, const QTemporaryDir &dir)
{
    GeneratedWorkbook book;
    QString rows = QStringLiteral("<row r=\"1\">") + inlineText("A1", QStringLiteral("Název"))
        + inlineText("B1", QStringLiteral("Částka")) + inlineText("C1", QStringLiteral("Dne"))
        + inlineText("D1", QStringLiteral("Jednotková cena"))
        + inlineText("E1", QStringLiteral("order")) + QStringLiteral("</row>");
    const struct
    {
        const char *name, *amount, *date;
        int dateStyle;
    } goods[] = { { "Alfa", "250.5", "45351.5625", 2 },
                  { "alfa%x", "100.25", nullptr, 0 },
                  { "C:\\temp\\x", "7", "36525", 1 },
                  { "Beta", "250", "45351", 1 },
                  { "Ára", "1", nullptr, 0 } };
    int row = 2;
    for (const auto &item : goods) {
        auto cell = [row](char column) {
            return QStringLiteral("%1%2").arg(QLatin1Char(column)).arg(row).toLatin1();
        };
        rows += QStringLiteral("<row r=\"%1\">").arg(row)
            + inlineText(cell('A').constData(), QString::fromUtf8(item.name))
            + number(cell('B').constData(), item.amount)
            + (item.date ? number(cell('C').constData(), item.date, item.dateStyle) : QString())
            + number(cell('D').constData(), QByteArray::number(row - 1).constData())
            + number(cell('E').constData(), QByteArray::number((row - 1) * 10).constData())
            + QStringLiteral("</row>");
        ++row;
    }
    // A last row with only the unit price, so that the other columns hold a NULL.
    rows += QStringLiteral("<row r=\"7\">") + number("D7", "0") + QStringLiteral("</row>");
    book.addSheet(QStringLiteral("Ceník 2024"), rows);
    const QString path = dir.filePath(QStringLiteral("ceník.xlsx"));
    book.save(path);
    connection.setConnectionString(excelWorkbook(path));
    connection.open();
    return connection.tableNames().value(0);
}

const Backend kMariaDb { "MariaDB", mariaDbGoods };
const Backend kWorkbook { "Workbook", workbookGoods };

class TableColumnSum : public ::testing::TestWithParam<Backend>
{
protected:
    void SetUp() override
    {
        const QString name = GetParam().prepare(connection, dir);
        if (name.isEmpty())
            GTEST_SKIP() << "no " << GetParam().name << " server (./dev test provides one)";
        table.setConnection(&connection);
        query.setConnection(&connection);
        table.setCommandText(name);
        table.open();
    }

    // The sum as the table area shows it with the filter on, and how many rows the grid shows.
    QString sum(const QString &column, const QString &filter = QString())
    {
        table.setFiltered(false);
        table.setFilter(filter);
        table.setFiltered(!filter.isEmpty());
        return SumTableColumn(table, query, column);
    }

    ScriptedPrompts prompts;
    QTemporaryDir dir;
    Connection connection;
    Dataset table { Dataset::Kind::Table };
    Dataset query { Dataset::Kind::Query };
};

} // namespace

TEST_P(TableColumnSum, NamesThatNeedQuotesAreSummed)
{
    EXPECT_EQ(sum(QStringLiteral("Jednotková cena")), QStringLiteral(" Jednotková cena: 15"));
    EXPECT_EQ(sum(QStringLiteral("order")), QStringLiteral(" order: 150"));
    EXPECT_EQ(sum(QStringLiteral("Částka")), QStringLiteral(" Částka: 608,75"));
    EXPECT_TRUE(prompts.texts().isEmpty()) << prompts.texts().join(u'|').toStdString();
}

TEST_P(TableColumnSum, TheSumCoversExactlyTheRowsTheFilterShows)
{
    const struct
    {
        const char *filter;
        int rows;
        const char *sum;
    } cases[] = {
        // The proposal after a click on a decimal cell, with the Czech decimal comma.
        { "Částka = '250,50'", 1, " Částka: 250,5" },
        { "Částka > 100 AND Částka < 250.5", 2, " Částka: 350,25" },
        // Wildcards of the filter, case-insensitive, accents kept apart; the database's own
        // wildcard _ is a plain character here.
        { "Název LIKE 'A*'", 2, " Částka: 350,75" },
        { "Název LIKE 'a_f*'", 0, " Částka: 0" },
        { "Název LIKE 'A*%X'", 1, " Částka: 100,25" },
        { "Název = 'ÁRA' OR Název = 'beta'", 2, " Částka: 251" },
        { "Název > 'b' AND Název < 'c;'", 2, " Částka: 257" },
        // Dates in the filter's forms.
        { "Dne = #2/29/2024 13:30:00#", 1, " Částka: 250,5" },
        { "Dne >= #2024-02-29#", 2, " Částka: 500,5" },
        { "Dne < '01.01.2000'", 1, " Částka: 7" },
        // A backslash is a backslash, in a comparison and in a pattern.
        { "Název = 'c:\\TEMP\\x'", 1, " Částka: 7" },
        { "Název LIKE 'C:\\t*'", 1, " Částka: 7" },
        { "Název = NULL", 1, " Částka: 0" },
        { "Dne <> NULL AND (Název = 'Alfa' OR [Jednotková cena] = 3)", 2, " Částka: 257,5" },
    };
    for (const auto &c : cases) {
        const QString filter = QString::fromUtf8(c.filter);
        const QString text = sum(QStringLiteral("Částka"), filter);
        EXPECT_EQ(table.recordCount(), c.rows) << c.filter;
        EXPECT_EQ(text, QString::fromUtf8(c.sum)) << c.filter;
    }
    EXPECT_TRUE(prompts.texts().isEmpty()) << prompts.texts().join(u'|').toStdString();
}

TEST_P(TableColumnSum, AFilterTheDatabaseCannotFollowGivesTheFailureNotANumber)
{
    // LIKE on a number matches its text in the user's form, which SQL does not write.
    EXPECT_EQ(sum(QStringLiteral("Částka"), QStringLiteral("Částka LIKE '250*'")),
              QStringLiteral(" (Částka nelze sčítat)"));
    EXPECT_EQ(table.recordCount(), 2);
}

TEST_P(TableColumnSum, AColumnOfTextsIsNeverSummed)
{
    // MariaDB sums texts as zero with a warning, which read as a real total.
    EXPECT_EQ(sum(QStringLiteral("Název")), QStringLiteral(" (Název nelze sčítat)"));
    EXPECT_EQ(sum(QStringLiteral("Dne")), QStringLiteral(" (Dne nelze sčítat)"));
    EXPECT_EQ(sum(QStringLiteral("Název"), QStringLiteral("Částka > 100")),
              QStringLiteral(" (Název nelze sčítat)"));
}

INSTANTIATE_TEST_SUITE_P(Databases, TableColumnSum, ::testing::Values(kMariaDb, kWorkbook),
                         [](const auto &info) { return info.param.name; });

TEST(TableColumnSumMariaDb, TotalsKeepEveryDigitTheServerGives)
{
    ScriptedPrompts prompts;
    QTemporaryDir dir;
    Connection connection;
    if (mariaDbGoods(connection, dir).isEmpty())
        GTEST_SKIP() << "no MariaDB server (./dev test provides one)";
    Provider &provider = connection.provider();
    provider.run(QStringLiteral("DROP TABLE IF EXISTS velké_součty"));
    provider.run(QStringLiteral("CREATE TABLE velké_součty (u BIGINT UNSIGNED, "
                                "d DECIMAL(30,3), s VARCHAR(10))"));
    provider.run(QStringLiteral("INSERT INTO velké_součty VALUES (18446744073709551615, "
                                "12345678901234567890.120, 'abc'), (18446744073709551615, 0.005, "
                                "'x'), (NULL, -0.001, NULL)"));
    Dataset table(Dataset::Kind::Table);
    Dataset query(Dataset::Kind::Query);
    table.setConnection(&connection);
    query.setConnection(&connection);
    table.setCommandText(QStringLiteral("velké_součty"));
    table.open();
    EXPECT_EQ(SumTableColumn(table, query, QStringLiteral("u")),
              QStringLiteral(" u: 36893488147419103230"));
    EXPECT_EQ(SumTableColumn(table, query, QStringLiteral("d")),
              QStringLiteral(" d: 12345678901234567890,12"));
    table.setFilter(QStringLiteral("u <> NULL AND s = 'X'"));
    table.setFiltered(true);
    EXPECT_EQ(SumTableColumn(table, query, QStringLiteral("u")),
              QStringLiteral(" u: 18446744073709551615"));
    EXPECT_EQ(SumTableColumn(table, query, QStringLiteral("d")), QStringLiteral(" d: 0,01"))
        << "0.005 rounds half away from zero";
}
