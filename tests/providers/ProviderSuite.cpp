// One suite for every provider: the same cases run against a SQLite file, against the MariaDB
// server of ./dev test through MariaDB Connector/ODBC and against a generated .xlsx workbook,
// with a few quirks per provider; a case that cannot apply to a provider is skipped by them.
#include "support/DatasetHelpers.h"
#include "support/GeneratedWorkbook.h"

#include "access/Connection.h"
#include "access/ConnectionTemplates.h"
#include "access/DataError.h"
#include "access/Dataset.h"

#include "regional/Regional.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

#include <sqlite3.h>

using namespace vrl;
using namespace vrl::test;

namespace {

struct Quirks
{
    std::string name;
    // The connection string of an empty database; an empty text skips the provider.
    std::function<QString(const QTemporaryDir &)> connectionString;
    QString autoKey; // an integer primary key the database fills in
    QString longText; // text of 64 KB and more
    bool exactWideDecimals; // DECIMAL(38,10) keeps all its digits
    bool catalogueSorted; // table names come sorted by name, not by creation
    // Tables are made by statements (CREATE and DROP TABLE, CREATE VIEW). When not, the
    // database comes with the suite's tables ready, named by readyTable: "people" (three
    // people), "other" (id 1 "jedna") and "empty".
    bool tableStatements = true;
    std::function<QString(const char *)> readyTable = nullptr;
    bool deletes = true; // rows can be deleted
    bool generatedKeys = true; // an integer key the database fills in
    bool exactNumberKinds = true; // integers and decimals keep their kinds, not all doubles
};

void PrintTo(const Quirks &quirks, std::ostream *out)
{
    *out << quirks.name;
}

QString sqliteFile(const QTemporaryDir &dir)
{
    const QString path = dir.filePath(QStringLiteral("test.db"));
    sqlite3 *db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                    nullptr);
    sqlite3_close(db);
    return QStringLiteral("Provider=SQLite;Data Source=") + path;
}

QString mariaDb(const QTemporaryDir &)
{
    const QString odbc = qEnvironmentVariable("VORLAN_TEST_ODBC");
    if (odbc.isEmpty())
        return QString();
    return QStringLiteral("Provider=MSDASQL.1;Persist Security Info=False;Extended Properties=\"")
        + odbc + QStringLiteral("\"");
}

QDateTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    return plainDateTime(QDate(y, mo, d), QTime(h, mi, s));
}

// A workbook holding the suite's tables as sheets; it is written to directly.
QString workbook(const QTemporaryDir &dir)
{
    const auto text = [](const char *column, int row, const QString &value) {
        return QStringLiteral("<c r=\"%1%2\" t=\"inlineStr\"><is><t>%3</t></is></c>")
            .arg(QLatin1String(column))
            .arg(row)
            .arg(value.toHtmlEscaped());
    };
    const auto number = [](const char *column, int row, double value, int style = 0) {
        return QStringLiteral("<c r=\"%1%2\"%3><v>%4</v></c>")
            .arg(QLatin1String(column))
            .arg(row)
            .arg(style ? QStringLiteral(" s=\"%1\"").arg(style) : QString())
            .arg(QString::number(value, 'g', 17));
    };
    GeneratedWorkbook book;
    QString people = QStringLiteral("<row r=\"1\">") + text("A", 1, QStringLiteral("id"))
        + text("B", 1, QStringLiteral("name")) + text("C", 1, QStringLiteral("price"))
        + text("D", 1, QStringLiteral("born")) + QStringLiteral("</row>");
    int row = 2;
    for (const auto &[who, price, born] :
         { std::tuple { "Novák", 100.5, at(1980, 5, 1) },
           std::tuple { "O'Malley", 7.0, at(1999, 12, 31, 23, 59, 59) },
           std::tuple { "Šťastná", 0.99, at(2021, 3, 28, 2, 30) } }) {
        people += QStringLiteral("<row r=\"%1\">").arg(row) + number("A", row, row - 1)
            + text("B", row, QString::fromUtf8(who)) + number("C", row, price)
            + number("D", row, toOleSerial(born), 2) + QStringLiteral("</row>");
        ++row;
    }
    book.addSheet(QStringLiteral("people"), people);
    book.addSheet(QStringLiteral("other"),
                  QStringLiteral("<row r=\"1\">") + text("A", 1, QStringLiteral("id"))
                      + text("B", 1, QStringLiteral("label"))
                      + QStringLiteral("</row><row r=\"2\">") + number("A", 2, 1)
                      + text("B", 2, QStringLiteral("jedna")) + QStringLiteral("</row>"));
    book.addSheet(QStringLiteral("empty"), QString());
    const QString path = dir.filePath(QStringLiteral("suite.xlsx"));
    book.save(path);
    return excelWorkbook(path);
}

const Quirks kSqlite {
    "SQLite", sqliteFile, QStringLiteral("INTEGER PRIMARY KEY"), QStringLiteral("TEXT"),
    false,    false
};
const Quirks kMariaDb { "MariaDB",
                        mariaDb,
                        QStringLiteral("INT AUTO_INCREMENT PRIMARY KEY"),
                        QStringLiteral("LONGTEXT"),
                        true,
                        true };

// Sheets in brackets with "$", numbers as doubles, no deletes and no generated keys.
const Quirks kWorkbook { "Workbook",
                         workbook,
                         QString(),
                         QString(),
                         false,
                         false,
                         false,
                         [](const char *base) {
                             return QLatin1Char('[') + QLatin1String(base) + QStringLiteral("$]");
                         },
                         false,
                         false,
                         false };

class ProviderSuite : public ::testing::TestWithParam<Quirks>
{
protected:
    void SetUp() override
    {
        const QString string = GetParam().connectionString(m_dir);
        if (string.isEmpty())
            GTEST_SKIP() << "no " << GetParam().name << " server (./dev test provides one)";
        connection.setConnectionString(string);
        connection.open();
        m_suffix
            = QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name())
                  .section(QLatin1Char('/'), 0, 0)
                  .left(20)
                  .toLower();
    }

    // A table name of this test alone: tests run side by side on one server. A provider
    // without table statements has its tables ready under their own names.
    QString table(const char *base) const
    {
        if (!GetParam().tableStatements)
            return GetParam().readyTable(base);
        return QString::fromLatin1(base) + QLatin1Char('_') + m_suffix;
    }

    qint64 run(const QString &sql, const std::vector<Value> &parameters = {})
    {
        return connection.provider().run(sql, parameters).rowsAffected;
    }

    void recreate(const QString &name, const QString &columns)
    {
        run(QStringLiteral("DROP TABLE IF EXISTS ") + name);
        run(QStringLiteral("CREATE TABLE ") + name + QStringLiteral(" (") + columns
            + QStringLiteral(")"));
    }

    // A table of three people: id, name, price, born.
    QString people()
    {
        const QString name = table("people");
        if (!GetParam().tableStatements)
            return name;
        recreate(name,
                 QStringLiteral("id %1, name VARCHAR(100), price DECIMAL(12,2), born DATETIME")
                     .arg(GetParam().autoKey));
        for (const auto &[who, price, born] :
             { std::tuple { "Novák", "100.50", at(1980, 5, 1) },
               std::tuple { "O'Malley", "7.00", at(1999, 12, 31, 23, 59, 59) },
               std::tuple { "Šťastná", "0.99", at(2021, 3, 28, 2, 30) } }) {
            run(QStringLiteral("INSERT INTO %1 (name, price, born) VALUES (?, ?, ?)").arg(name),
                { Value::text(QString::fromUtf8(who)), Value::decimal(QString::fromLatin1(price)),
                  Value::dateTime(born) });
        }
        return name;
    }

    std::unique_ptr<Dataset> openTable(const QString &name)
    {
        return vrl::test::openTable(connection, name);
    }

    std::unique_ptr<Dataset> query(const QString &sql) { return statementOn(connection, sql); }

    Connection connection;

private:
    QTemporaryDir m_dir;
    QString m_suffix;
};

} // namespace

TEST_P(ProviderSuite, ListsTablesAndViewsInCatalogueOrder)
{
    if (!GetParam().tableStatements)
        GTEST_SKIP() << GetParam().name << " makes no tables by statements";
    const QString b = table("b"), a = table("a"), v = table("v");
    recreate(b, QStringLiteral("x INT"));
    recreate(a, QStringLiteral("x INT"));
    run(QStringLiteral("DROP VIEW IF EXISTS ") + v);
    run(QStringLiteral("CREATE VIEW %1 AS SELECT x FROM %2").arg(v, a));
    QStringList ours;
    for (const QString &name : connection.tableNames()) {
        if (name == a || name == b || name == v)
            ours << name;
    }
    EXPECT_EQ(ours,
              GetParam().catalogueSorted ? QStringList({ a, b, v }) : QStringList({ b, a, v }));
}

TEST_P(ProviderSuite, ReadsTypedValuesExactly)
{
    if (!GetParam().tableStatements)
        GTEST_SKIP() << GetParam().name << " makes no tables by statements";
    const QString name = table("typed");
    recreate(name,
             QStringLiteral(
                 "id %1, name VARCHAR(100), price DECIMAL(12,2), born DATETIME, ratio DOUBLE, "
                 "note VARCHAR(50) NULL, qty INT")
                 .arg(GetParam().autoKey));
    const QString insert
        = QStringLiteral(
              "INSERT INTO %1 (name, price, born, ratio, note, qty) VALUES (?, ?, ?, ?, ?, ?)")
              .arg(name);
    run(insert,
        { Value::text(QStringLiteral("Příliš žluťoučký kůň 😀")),
          Value::decimal(QStringLiteral("1234.50")), Value::dateTime(at(2021, 3, 28, 2, 30)),
          Value::real(0.1), Value(), Value::integer(0) });
    run(insert,
        { Value::text(QString()), Value::decimal(QStringLiteral("-0.05")),
          Value::dateTime(at(1000, 1, 1)), Value::real(-2.5e-7), Value::text(QString()), Value() });
    run(insert,
        { Value(), Value(), Value::dateTime(at(9999, 12, 31, 23, 59, 59)), Value(),
          Value::text(QStringLiteral("x")), Value::integer(-7) });

    auto data = openTable(name);
    ASSERT_EQ(data->recordCount(), 3);
    EXPECT_EQ(data->fieldNames(),
              QStringList({ QStringLiteral("id"), QStringLiteral("name"), QStringLiteral("price"),
                            QStringLiteral("born"), QStringLiteral("ratio"), QStringLiteral("note"),
                            QStringLiteral("qty") }));
    EXPECT_EQ(data->fieldByName(QStringLiteral("id")).type(), FieldType::Int);
    EXPECT_EQ(data->fieldByName(QStringLiteral("price")).type(), FieldType::Decimal);
    EXPECT_EQ(data->fieldByName(QStringLiteral("born")).type(), FieldType::DateTime);
    EXPECT_EQ(data->fieldByName(QStringLiteral("ratio")).type(), FieldType::Double);

    data->first();
    EXPECT_EQ(data->fieldByName(QStringLiteral("name")).value(),
              Value::text(QStringLiteral("Příliš žluťoučký kůň 😀")));
    EXPECT_EQ(data->fieldByName(QStringLiteral("price")).value(),
              Value::decimal(QStringLiteral("1234.50")));
    EXPECT_EQ(data->fieldByName(QStringLiteral("price")).text(), QStringLiteral("1234,50"));
    EXPECT_EQ(data->fieldByName(QStringLiteral("born")).value(),
              Value::dateTime(at(2021, 3, 28, 2, 30)))
        << "a time in the daylight-saving gap stays as it was";
    EXPECT_EQ(data->fieldByName(QStringLiteral("ratio")).value(), Value::real(0.1));
    EXPECT_TRUE(data->fieldByName(QStringLiteral("note")).isNull());
    EXPECT_EQ(data->fieldByName(QStringLiteral("qty")).value(), Value::integer(0));
    EXPECT_EQ(data->fieldByName(QStringLiteral("note")).text(), QString());

    data->next();
    EXPECT_EQ(data->fieldByName(QStringLiteral("name")).value(), Value::text(QString()))
        << "'' is not NULL";
    EXPECT_EQ(data->fieldByName(QStringLiteral("note")).value(), Value::text(QString()));
    EXPECT_TRUE(data->fieldByName(QStringLiteral("qty")).isNull()) << "NULL is not 0";
    EXPECT_EQ(data->fieldByName(QStringLiteral("price")).value(),
              Value::decimal(QStringLiteral("-0.05")));
    EXPECT_EQ(data->fieldByName(QStringLiteral("born")).value(), Value::dateTime(at(1000, 1, 1)));
    EXPECT_EQ(data->fieldByName(QStringLiteral("ratio")).value(), Value::real(-2.5e-7));

    data->last();
    EXPECT_TRUE(data->fieldByName(QStringLiteral("name")).isNull());
    EXPECT_EQ(data->fieldByName(QStringLiteral("born")).value(),
              Value::dateTime(at(9999, 12, 31, 23, 59, 59)));
    EXPECT_EQ(data->fieldByName(QStringLiteral("qty")).number(), -7);
}

TEST_P(ProviderSuite, KeepsWideDecimalsAndLongTextWhole)
{
    if (!GetParam().tableStatements)
        GTEST_SKIP() << GetParam().name << " makes no tables by statements";
    const QString name = table("wide");
    recreate(name,
             QStringLiteral("id INT PRIMARY KEY, amount DECIMAL(38,10), body %1")
                 .arg(GetParam().longText));
    QString body;
    for (int i = 0; body.size() < 70000; ++i)
        body += QStringLiteral("řádek %1; ").arg(i);
    const QString digits = QStringLiteral("1234567890123456789012345678.1234567890");
    run(QStringLiteral("INSERT INTO %1 VALUES (1, ?, ?)").arg(name),
        { Value::decimal(digits), Value::text(body) });
    auto data = openTable(name);
    EXPECT_EQ(data->fieldByName(QStringLiteral("body")).value(), Value::text(body));
    if (GetParam().exactWideDecimals) {
        EXPECT_EQ(data->fieldByName(QStringLiteral("amount")).value(), Value::decimal(digits));
    }
}

TEST_P(ProviderSuite, WalksRecordsWithBofAndEof)
{
    auto data = openTable(people());
    EXPECT_EQ(data->recNo(), 1);
    EXPECT_TRUE(data->bof());
    QStringList names;
    for (data->first(); !data->eof(); data->next())
        names << data->fieldByName(QStringLiteral("name")).text();
    EXPECT_EQ(names,
              QStringList({ QStringLiteral("Novák"), QStringLiteral("O'Malley"),
                            QStringLiteral("Šťastná") }));
    EXPECT_EQ(data->recNo(), 3);
    data->prior();
    EXPECT_EQ(data->recNo(), 2);
    data->moveTo(1);
    data->prior();
    EXPECT_TRUE(data->bof());
    EXPECT_EQ(data->recNo(), 1);

    const QString empty = table("empty");
    if (GetParam().tableStatements)
        recreate(empty, QStringLiteral("x INT"));
    auto none = openTable(empty);
    EXPECT_EQ(none->recordCount(), 0);
    EXPECT_EQ(none->recNo(), 0);
    EXPECT_TRUE(none->eof());
    EXPECT_TRUE(none->bof());
    EXPECT_TRUE(none->field(0).isNull());
}

TEST_P(ProviderSuite, FiltersSortsAndFindsInTheView)
{
    auto data = openTable(people());
    data->setFilter(QStringLiteral("price < 50"));
    EXPECT_EQ(data->recordCount(), 3) << "the filter is not on yet";
    data->setFiltered(true);
    EXPECT_EQ(data->recordCount(), 2);
    data->setSort(QStringLiteral("name DESC"));
    EXPECT_EQ(data->fieldByName(QStringLiteral("name")).text(), QStringLiteral("Šťastná"));
    EXPECT_TRUE(
        data->locate(QStringLiteral("name"), Value::text(QStringLiteral("o'malley")), true));
    EXPECT_EQ(data->recNo(), 2);
    EXPECT_FALSE(data->locate(QStringLiteral("name"), Value::text(QStringLiteral("Novák"))))
        << "filtered out";
    EXPECT_EQ(data->recNo(), 2);
    EXPECT_EQ(data->lookup(QStringLiteral("price"), Value::text(QStringLiteral("0,99")),
                           QStringLiteral("name")),
              Value::text(QStringLiteral("Šťastná")));
    EXPECT_EQ(data->recNo(), 2) << "lookup leaves the cursor";

    // The filter survives reopening; the sort does not.
    data->close();
    data->open();
    EXPECT_TRUE(data->isFiltered());
    EXPECT_EQ(data->recordCount(), 2);
    EXPECT_TRUE(data->sort().isEmpty());

    EXPECT_THROW(data->setFilter(QStringLiteral("nobody = 1")), DataError);
    EXPECT_EQ(data->recordCount(), 2) << "a filter that does not apply keeps the old one";
    EXPECT_EQ(data->filter(), QStringLiteral("price < 50"));
    data->setFiltered(false);
    data->setFilter(QStringLiteral("price >"));
    EXPECT_THROW(data->setFiltered(true), DataError);
    EXPECT_FALSE(data->isFiltered());
    EXPECT_EQ(data->recordCount(), 3);
    EXPECT_THROW(data->setSort(QStringLiteral("nobody")), DataError);
}

TEST_P(ProviderSuite, EditsAreWrittenAndReadBackByAFreshDataset)
{
    const QString name = people();
    auto data = openTable(name);
    data->moveTo(2);
    data->edit();
    EXPECT_EQ(data->state(), Dataset::State::Edit);
    data->fieldByName(QStringLiteral("name")).setText(QStringLiteral("O'Brien \"Ř\""));
    data->fieldByName(QStringLiteral("price")).setText(QStringLiteral("12,345"));
    data->fieldByName(QStringLiteral("born")).setValue(Value());
    data->next(); // moving posts
    EXPECT_EQ(data->state(), Dataset::State::Browse);

    auto fresh = openTable(name);
    fresh->moveTo(2);
    EXPECT_EQ(fresh->fieldByName(QStringLiteral("name")).text(), QStringLiteral("O'Brien \"Ř\""));
    EXPECT_EQ(fresh->fieldByName(QStringLiteral("price")).value(),
              GetParam().exactNumberKinds ? Value::decimal(QStringLiteral("12.35"))
                                          : Value::real(12.345));
    EXPECT_TRUE(fresh->fieldByName(QStringLiteral("born")).isNull());

    // Setting a field to what it holds still finds exactly one row.
    fresh->fieldByName(QStringLiteral("name")).setText(QStringLiteral("O'Brien \"Ř\""));
    fresh->post();
}

TEST_P(ProviderSuite, RefusedValuesAndVanishedRowsKeepTheEdit)
{
    const QString name = people();
    auto data = openTable(name);
    data->edit();
    try {
        data->fieldByName(QStringLiteral("price")).setText(QStringLiteral("hodně"));
        FAIL() << "a word became a price";
    } catch (const DataError &error) {
        EXPECT_TRUE(error.message().contains(QStringLiteral("hodně")));
    }
    EXPECT_EQ(data->state(), Dataset::State::Edit);
    if (!GetParam().deletes)
        GTEST_SKIP() << GetParam().name << " deletes no rows, so none vanishes";
    data->fieldByName(QStringLiteral("name")).setText(QStringLiteral("Nováková"));
    run(QStringLiteral("DELETE FROM %1 WHERE name = 'Novák'").arg(name));
    try {
        data->post();
        FAIL() << "a vanished row was updated";
    } catch (const DataError &error) {
        EXPECT_EQ(error.message(),
                  QStringLiteral("Záznam k aktualizaci nelze najít; mohl být mezitím změněn."));
    }
    EXPECT_EQ(data->state(), Dataset::State::Edit) << "the edit stays pending";
    EXPECT_EQ(data->fieldByName(QStringLiteral("name")).text(), QStringLiteral("Nováková"));
    data->cancel();
    EXPECT_EQ(data->fieldByName(QStringLiteral("name")).text(), QStringLiteral("Novák"));
}

// Without a primary key a row is found by all its values: when another row shares them, an
// edit or a delete changes neither, and a row of its own values is still changed alone.
TEST_P(ProviderSuite, RowsSharingAllTheirValuesAreNeitherEditedNorDeleted)
{
    if (!GetParam().tableStatements || !GetParam().deletes)
        GTEST_SKIP() << GetParam().name << " makes no tables or deletes no rows";
    const QString name = table("pairs");
    recreate(name, QStringLiteral("code INT, label VARCHAR(10)"));
    run(QStringLiteral("INSERT INTO %1 VALUES (1, 'a'), (1, 'a'), (2, 'b'), (2, 'b'), (3, 'c')")
            .arg(name));
    auto data = openTable(name);
    data->first();
    EXPECT_THROW(data->remove(), DataError);
    data->next();
    data->next();
    data->fieldByName(QStringLiteral("label")).setText(QStringLiteral("x"));
    EXPECT_THROW(data->post(), DataError);
    data->cancel();
    data->last();
    data->fieldByName(QStringLiteral("label")).setText(QStringLiteral("d"));
    data->post();
    auto rows
        = openQuery(connection, QStringLiteral("SELECT label FROM %1 ORDER BY label").arg(name));
    QStringList labels;
    for (rows->first(); !rows->eof(); rows->next())
        labels << rows->fieldByName(QStringLiteral("label")).text();
    EXPECT_EQ(labels, QStringList({ "a", "a", "b", "b", "d" }));
    data->remove();
    EXPECT_EQ(data->recordCount(), 4);
}

TEST_P(ProviderSuite, InsertsReadGeneratedKeysAndDeletesRemoveRows)
{
    if (!GetParam().generatedKeys || !GetParam().deletes)
        GTEST_SKIP() << GetParam().name << " has no generated keys or deletes";
    const QString name = people();
    auto data = openTable(name);
    data->append();
    data->fieldByName(QStringLiteral("name")).setText(QStringLiteral("Nový"));
    data->post();
    EXPECT_EQ(data->recordCount(), 4);
    EXPECT_EQ(data->recNo(), 4);
    EXPECT_EQ(data->fieldByName(QStringLiteral("id")).value(), Value::integer(4));
    EXPECT_TRUE(data->fieldByName(QStringLiteral("price")).isNull());

    data->first();
    data->remove();
    EXPECT_EQ(data->recordCount(), 3);
    EXPECT_EQ(data->fieldByName(QStringLiteral("name")).text(), QStringLiteral("O'Malley"));

    auto fresh = openTable(name);
    QStringList names;
    for (fresh->first(); !fresh->eof(); fresh->next())
        names << fresh->fieldByName(QStringLiteral("name")).text();
    EXPECT_EQ(names,
              QStringList({ QStringLiteral("O'Malley"), QStringLiteral("Šťastná"),
                            QStringLiteral("Nový") }));

    data->insert();
    EXPECT_EQ(data->recordCount(), 4);
    data->cancel();
    EXPECT_EQ(data->recordCount(), 3);

    // A record with nothing set takes every default of the table.
    data->append();
    data->post();
    EXPECT_EQ(data->recordCount(), 4);
    EXPECT_EQ(data->fieldByName(QStringLiteral("id")).value(), Value::integer(5));
    EXPECT_TRUE(data->fieldByName(QStringLiteral("name")).isNull());

    // Each post writes the fields it set, whatever the post before it set.
    for (const char *price : { "2.50", "", "7.25" }) {
        data->append();
        data->fieldByName(QStringLiteral("name")).setText(QString::fromLatin1(price));
        if (*price)
            data->fieldByName(QStringLiteral("price"))
                .setValue(Value::decimal(QString::fromLatin1(price)));
        data->post();
    }
    auto again = openTable(name);
    QStringList prices;
    for (again->first(); !again->eof(); again->next()) {
        if (!again->fieldByName(QStringLiteral("name")).isNull())
            prices << again->fieldByName(QStringLiteral("name")).text() + QLatin1Char('=')
                    + again->fieldByName(QStringLiteral("price")).text();
    }
    EXPECT_EQ(prices.mid(3),
              QStringList({ QStringLiteral("2.50=2,50"), QStringLiteral("="),
                            QStringLiteral("7.25=7,25") }));
}

// Many records in one wait: each its own INSERT, in order, up to the first that fails, which
// leaves it and the records after it unwritten for the caller to send again.
TEST_P(ProviderSuite, AppendedRecordsAreWrittenInOrderUpToTheFirstThatFails)
{
    const QString name = people();
    auto data = openTable(name);
    const int nameField = data->fieldByName(QStringLiteral("name")).index();
    const int priceField = data->fieldByName(QStringLiteral("price")).index();
    const auto record = [](const char *who, const Value &price) {
        return std::vector<Value> { Value::text(QString::fromUtf8(who)), price };
    };
    Dataset::Appended appended
        = data->appendRecords({ nameField, priceField },
                              { record("Alois", Value::decimal(QStringLiteral("1.50"))),
                                record("Běta", Value::text(QStringLiteral("nic"))), // no price
                                record("Cyril", Value::decimal(QStringLiteral("2"))) });
    EXPECT_EQ(appended.written, 1u);
    ASSERT_TRUE(appended.failure);
    EXPECT_THROW(std::rethrow_exception(appended.failure), DataError);
    EXPECT_EQ(data->recordCount(), 4);
    EXPECT_EQ(data->recNo(), 4);
    EXPECT_EQ(data->state(), Dataset::State::Browse);
    EXPECT_EQ(data->fieldByName(QStringLiteral("name")).text(), QStringLiteral("Alois"));

    appended = data->appendRecords(
        { nameField, priceField },
        { record("Cyril", Value::decimal(QStringLiteral("2"))), record("Dana", Value()) });
    EXPECT_EQ(appended.written, 2u);
    EXPECT_FALSE(appended.failure);
    EXPECT_EQ(data->recNo(), 6);
    if (GetParam().generatedKeys) {
        QStringList ids;
        for (int row = 3; row < 6; ++row)
            ids << data->valueAt(row, data->fieldByName(QStringLiteral("id")).index()).toText();
        EXPECT_EQ(ids, QStringList({ "4", "5", "6" }));
    }
    auto fresh = openTable(name);
    QStringList written;
    for (fresh->first(); !fresh->eof(); fresh->next()) {
        const Field price = fresh->fieldByName(QStringLiteral("price"));
        written << fresh->fieldByName(QStringLiteral("name")).text() + QLatin1Char('=')
                + (price.isNull() ? QString() : QString::number(price.number()));
    }
    EXPECT_EQ(written.mid(3), QStringList({ "Alois=1.5", "Cyril=2", "Dana=" }));
}

TEST_P(ProviderSuite, StatementsOpenOrExecuteByWhatComesBack)
{
    const QString name = people();
    auto select
        = query(QStringLiteral("  /* comment */ select name from %1 where price > 1 order by name")
                    .arg(name));
    EXPECT_TRUE(select->executeAndOpenIfRows());
    EXPECT_EQ(select->recordCount(), 2);

    auto update
        = query(QStringLiteral("UPDATE %1 SET price = price + 1 WHERE price < 50").arg(name));
    EXPECT_FALSE(update->executeAndOpenIfRows());
    EXPECT_EQ(update->rowsAffected(), 2);
    EXPECT_FALSE(update->isActive());

    auto none = query(QStringLiteral("SELECT * FROM %1 WHERE 1 = 0").arg(name));
    EXPECT_TRUE(none->executeAndOpenIfRows());
    EXPECT_EQ(none->recordCount(), 0);
    EXPECT_EQ(none->fieldCount(), 4);

    auto broken = query(QStringLiteral("SELECT nothing FROM %1").arg(name));
    try {
        broken->executeAndOpenIfRows();
        FAIL() << "an unknown column ran";
    } catch (const DataError &error) {
        EXPECT_TRUE(error.message().contains(QStringLiteral("nothing"))) << error.what();
    }
}

TEST_P(ProviderSuite, QueryResultsAreEditableOnlyFromOneTable)
{
    const QString name = people();
    const QString other = table("other");
    if (GetParam().tableStatements) {
        recreate(other, QStringLiteral("id INT PRIMARY KEY, label VARCHAR(20)"));
        run(QStringLiteral("INSERT INTO %1 VALUES (1, 'jedna')").arg(other));
    }

    auto joined = query(QStringLiteral("SELECT p.name, o.label FROM %1 p JOIN %2 o ON o.id = p.id")
                            .arg(name, other));
    ASSERT_TRUE(joined->executeAndOpenIfRows());
    EXPECT_THROW(joined->edit(), DataError);

    auto single = query(QStringLiteral("SELECT id, name FROM %1 WHERE id = 2").arg(name));
    ASSERT_TRUE(single->executeAndOpenIfRows());
    single->fieldByName(QStringLiteral("name")).setText(QStringLiteral("O'Malleyová"));
    single->post();
    auto fresh = openTable(name);
    ASSERT_TRUE(fresh->locate(QStringLiteral("id"), Value::integer(2)));
    EXPECT_EQ(fresh->fieldByName(QStringLiteral("name")).text(), QStringLiteral("O'Malleyová"));
}

TEST_P(ProviderSuite, ClosingTheConnectionClosesItsDatasets)
{
    auto data = openTable(people());
    auto other = query(QStringLiteral("SELECT 1 AS one"));
    EXPECT_TRUE(other->executeAndOpenIfRows());
    connection.close();
    EXPECT_FALSE(data->isActive());
    EXPECT_FALSE(other->isActive());
    EXPECT_THROW(data->open(), DataError);
    data->setConnection(nullptr);
    EXPECT_THROW(data->open(), DataError);
}

INSTANTIATE_TEST_SUITE_P(Providers, ProviderSuite, ::testing::Values(kSqlite, kMariaDb, kWorkbook),
                         [](const auto &info) { return info.param.name; });
