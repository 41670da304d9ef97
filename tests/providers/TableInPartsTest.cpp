// A MariaDB table with an integer key is read in parts by that key, each part a statement of
// its own within one snapshot, so that the driver never holds the whole table beside the
// program's copy. What the user sees must not change: every row, in the order a plain read
// gives, and a transaction the user has open is neither ended nor left.
#include "support/DatasetHelpers.h"

#include "access/Connection.h"
#include "access/Dataset.h"
#include "access/odbc/OdbcProvider.h"

#include <gtest/gtest.h>

using namespace vrl;
using namespace vrl::test;

namespace {

class TableInParts : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString odbc = qEnvironmentVariable("VORLAN_TEST_ODBC");
        if (odbc.isEmpty())
            GTEST_SKIP() << "no MariaDB server (./dev test provides one)";
        connection.setConnectionString(QStringLiteral("Provider=MSDASQL.1;Extended Properties=\"")
                                       + odbc + QLatin1Char('"'));
        connection.open();
        provider = dynamic_cast<OdbcProvider *>(&connection.provider());
        ASSERT_NE(provider, nullptr);
        provider->setTablePartRows(7);
        // Tests run side by side on one server: each has tables of its own.
        const QString test
            = QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name());
        table = QStringLiteral("po_částech_%1").arg(qHash(test) % 100000);
        // Fifty rows inserted out of key order, with gaps and negative keys, a long text column
        // (read cell by cell) and NULLs; then the server's row estimate is brought up to date.
        QStringList values;
        for (int i = 0; i < 50; ++i) {
            const int key = (i * 37) % 50 * 3 - 40;
            values << QStringLiteral("(%1, 'Řádek %2', %3)")
                          .arg(key)
                          .arg(i)
                          .arg(i % 4 == 0 ? QStringLiteral("NULL")
                                          : QStringLiteral("REPEAT('poznámka ', %1)").arg(i));
        }
        run(QStringLiteral("DROP TABLE IF EXISTS ") + table);
        run(QStringLiteral("CREATE TABLE ") + table
            + QStringLiteral(" (klíč INT PRIMARY KEY, jméno VARCHAR(20), pozn TEXT NULL) "
                             "ENGINE=InnoDB"));
        run(QStringLiteral("INSERT INTO ") + table + QStringLiteral(" VALUES ")
            + values.join(QLatin1Char(',')));
        run(QStringLiteral("ANALYZE TABLE ") + table);
    }
    void run(const QString &sql) { connection.provider().run(sql); }
    qint64 selectsSoFar()
    {
        return openQuery(connection, QStringLiteral("SHOW SESSION STATUS LIKE 'Com_select'"))
            ->field(1)
            .text()
            .toLongLong();
    }
    // Every value of every row, in order, as text.
    static QStringList contentOf(Dataset &data)
    {
        QStringList rows;
        for (data.first(); !data.eof(); data.next()) {
            QStringList row;
            for (int f = 0; f < data.fieldCount(); ++f)
                row << (data.field(f).isNull() ? QStringLiteral("<NULL>") : data.field(f).text());
            rows << row.join(QLatin1Char('|'));
        }
        return rows;
    }

    Connection connection;
    OdbcProvider *provider = nullptr;
    QString table;
};

} // namespace

TEST_F(TableInParts, GiveEveryRowInTheOrderOfAPlainRead)
{
    auto whole = openQuery(connection, QStringLiteral("SELECT * FROM ") + table);
    ASSERT_EQ(whole->recordCount(), 50);

    const qint64 before = selectsSoFar();
    auto parts = openTable(connection, table);
    // Each part is one statement: its last key is read from the rows the driver holds, not
    // asked of the server first.
    EXPECT_EQ(selectsSoFar() - before, 9) << "the facts, and fifty rows in parts of seven";
    EXPECT_EQ(contentOf(*parts), contentOf(*whole));
    // Parts that end exactly with the table, and parts of one row.
    for (const int rows : { 10, 1 }) {
        provider->setTablePartRows(rows);
        EXPECT_EQ(contentOf(*openTable(connection, table)), contentOf(*whole)) << rows;
    }

    // A view has no key of its own: read whole, the same rows.
    run(QStringLiteral("CREATE OR REPLACE VIEW %1_v AS SELECT * FROM %1").arg(table));
    auto view = openTable(connection, table + QStringLiteral("_v"));
    EXPECT_EQ(contentOf(*view), contentOf(*whole));
}

TEST_F(TableInParts, AKeyOfTextGoesInPartsAWideNumberAtOnce)
{
    // Texts compared as the server's collation orders them: upper and lower case, accents;
    // also in a column of another character set than the connection's.
    for (const QString &collation :
         { QStringLiteral("utf8mb4_czech_ci"), QStringLiteral("cp1250_czech_cs") }) {
        const QString named = table + QStringLiteral("_t");
        run(QStringLiteral("DROP TABLE IF EXISTS ") + named);
        run(QStringLiteral("CREATE TABLE %1 (kód VARCHAR(10) PRIMARY KEY, n INT) ENGINE=InnoDB "
                           "CHARACTER SET %2 COLLATE %3")
                .arg(named, collation.section(QLatin1Char('_'), 0, 0), collation));
        run(QStringLiteral(
                "INSERT INTO %1 SELECT CONCAT(ELT(1 + MOD(ABS(klíč), 4), 'a', 'Č', 'ch', 'h'), "
                "klíč), klíč FROM %2")
                .arg(named, table));
        run(QStringLiteral("ANALYZE TABLE ") + named);
        auto whole = openQuery(connection, QStringLiteral("SELECT * FROM ") + named);
        const qint64 before = selectsSoFar();
        auto parts = openTable(connection, named);
        EXPECT_GE(selectsSoFar() - before, 8) << "fifty rows in parts of seven";
        EXPECT_EQ(parts->recordCount(), 50) << collation.toStdString();
        EXPECT_EQ(contentOf(*parts), contentOf(*whole)) << collation.toStdString();
    }

    // Keys beyond what a double holds exactly, one apart: handed back to the server as a
    // bound, they would lose or repeat rows; such a table is read at once.
    const QString wide = table + QStringLiteral("_w");
    run(QStringLiteral("DROP TABLE IF EXISTS ") + wide);
    run(QStringLiteral("CREATE TABLE %1 (k DECIMAL(25,0) PRIMARY KEY, n INT) ENGINE=InnoDB")
            .arg(wide));
    run(QStringLiteral("INSERT INTO %1 SELECT 12345678901234567890 + klíč, klíč FROM %2")
            .arg(wide, table));
    run(QStringLiteral("ANALYZE TABLE ") + wide);
    const auto whole = openQuery(connection, QStringLiteral("SELECT * FROM ") + wide);
    const qint64 before = selectsSoFar();
    const auto parts = openTable(connection, wide);
    EXPECT_EQ(selectsSoFar() - before, 3) << "the facts, a first part not to be used, all rows";
    EXPECT_EQ(parts->recordCount(), 50);
    EXPECT_EQ(contentOf(*parts), contentOf(*whole));
}

TEST_F(TableInParts, GoOneAfterTheOtherWhereTheDriverWillNotScroll)
{
    // The driver told to give forward-only cursors cannot stand on a part's last row before
    // the fetch: each part is then asked for after the one before has been read.
    Connection forwardOnly;
    forwardOnly.setConnectionString(QStringLiteral("Provider=MSDASQL.1;Extended Properties=\"")
                                    + qEnvironmentVariable("VORLAN_TEST_ODBC")
                                    + QStringLiteral(";FORWARDONLY=1\""));
    forwardOnly.open();
    auto *odbc = dynamic_cast<OdbcProvider *>(&forwardOnly.provider());
    ASSERT_NE(odbc, nullptr);
    const auto whole = openQuery(connection, QStringLiteral("SELECT * FROM ") + table);
    for (const int rows : { 7, 10 }) {
        odbc->setTablePartRows(rows);
        const qint64 before = selectsSoFar();
        const auto parts = openTable(forwardOnly, table);
        EXPECT_EQ(contentOf(*parts), contentOf(*whole)) << rows;
        EXPECT_EQ(odbc->lastPartTimes().parts, 50 / rows + 1) << rows;
        EXPECT_EQ(selectsSoFar() - before, 0) << "another connection's statements";
    }
}

TEST_F(TableInParts, LeaveTheUsersOpenTransactionOpenAndSeeItsOwnChanges)
{
    const QString journalTable = table + QStringLiteral("_d");
    run(QStringLiteral("DROP TABLE IF EXISTS ") + journalTable);
    run(QStringLiteral("CREATE TABLE %1 (n INT) ENGINE=InnoDB").arg(journalTable));
    run(QStringLiteral("START TRANSACTION"));
    run(QStringLiteral("INSERT INTO %1 VALUES (1)").arg(journalTable));
    run(QStringLiteral("INSERT INTO %1 VALUES (1000, 'nový', NULL)").arg(table));

    auto parts = openTable(connection, table);
    EXPECT_EQ(parts->recordCount(), 51) << "the transaction's own row is read";

    run(QStringLiteral("ROLLBACK"));
    auto journal = openQuery(connection, QStringLiteral("SELECT COUNT(*) FROM ") + journalTable);
    EXPECT_EQ(journal->field(0).text(), QStringLiteral("0"))
        << "reading the table committed the user's transaction";
    parts->close();
    parts->open();
    EXPECT_EQ(parts->recordCount(), 50);
}
