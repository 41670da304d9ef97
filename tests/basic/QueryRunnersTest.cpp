// The statement runners on a real SQLite database, the line breaking of messages, and the
// numbers of the column sum.
#include "basic/QueryRunners.h"
#include "access/Connection.h"
#include "access/DataError.h"
#include "access/Dataset.h"
#include "basic/SqlText.h"
#include "basic/TableColumnSum.h"

#include "support/ScriptedPrompts.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vrl;
using namespace vrl::test;

namespace {

class QueryRunners : public ::testing::Test
{
protected:
    QueryRunners()
        : query(Dataset::Kind::Query)
    {
        QFile file(dir.filePath(QStringLiteral("runners.db")));
        file.open(QIODevice::WriteOnly);
        file.close();
        connection.setConnectionString(QStringLiteral("Provider=SQLite;Data Source=")
                                       + file.fileName());
        connection.open();
        query.setConnection(&connection);
        for (const char *sql :
             { "CREATE TABLE T (id INTEGER PRIMARY KEY, name TEXT, price REAL)",
               "INSERT INTO T (name, price) VALUES ('a', 1.5), ('b', 2), ('c', NULL)" })
            connection.provider().run(QString::fromLatin1(sql));
    }

    ScriptedPrompts prompts;
    QTemporaryDir dir;
    Connection connection;
    Dataset query;
};

} // namespace

TEST_F(QueryRunners, AResultSetOpensWhateverTheStatementLooksLike)
{
    EXPECT_EQ(OpenOrExecXSimpleQuery(query, QStringLiteral("SELECT * FROM T WHERE id = 0")),
              QueryResult::OpenedEmpty);
    EXPECT_TRUE(query.isActive());
    EXPECT_EQ(OpenOrExecXSimpleQuery(query, QStringLiteral("select * from T where id = 2")),
              QueryResult::OpenedOne);
    query.setFilter(QStringLiteral("name = 'x'"));
    query.setFiltered(true);
    EXPECT_EQ(OpenOrExecXSimpleQuery(
                  query, QStringLiteral(" /* all */\n SELECT * FROM T ORDER BY id DESC")),
              QueryResult::OpenedMany);
    EXPECT_FALSE(query.isFiltered()); // a filter set before is gone
    EXPECT_EQ(query.recNo(), 1);
    EXPECT_EQ(query.fieldByName(QStringLiteral("name")).text(), QStringLiteral("c"));

    EXPECT_EQ(OpenOrExecXSimpleQuery(query, QStringLiteral("UPDATE T SET price = 1")),
              QueryResult::ChangedMany);
    EXPECT_EQ(OpenOrExecXSimpleQuery(query, QStringLiteral("UPDATE T SET price = 1 WHERE id = 1")),
              QueryResult::ChangedOne);
    EXPECT_EQ(OpenOrExecXSimpleQuery(query, QStringLiteral("DELETE FROM T WHERE id = 9")),
              QueryResult::ChangedNone);
    // A statement that changes no row of a table counts no rows, not those of the last one.
    EXPECT_EQ(OpenOrExecXSimpleQuery(query, QStringLiteral("CREATE TABLE U (a INT)")),
              QueryResult::ChangedNone);

    // Parameters go with their statement only: the next text of the shared dataset has none.
    EXPECT_EQ(OpenOrExecXSimpleQuery(query, QStringLiteral("SELECT name FROM T WHERE name = ?"),
                                     { Value::text(QStringLiteral("b")) }),
              QueryResult::OpenedOne);
    query.close();
    query.setCommandText(QStringLiteral("SELECT count(*) AS n FROM T"));
    query.open();
    EXPECT_EQ(query.field(0).text(), QStringLiteral("3"));
    EXPECT_TRUE(prompts.records().isEmpty());
}

TEST_F(QueryRunners, AFailureIsShownWithTheStatementAndGivesFailed)
{
    EXPECT_EQ(OpenOrExecXSimpleQuery(query, QStringLiteral("SELECT nic FROM T")),
              QueryResult::Failed);
    ASSERT_EQ(prompts.textsOf(QStringLiteral("message")).size(), 1);
    const QString message = prompts.textsOf(QStringLiteral("message"))[0];
    EXPECT_TRUE(message.startsWith(QStringLiteral("Chyba OpenOrExecXSimpleQuery:\n\r\n\r")));
    EXPECT_TRUE(message.endsWith(QStringLiteral("\n\r\n\r[query text:\n\rSELECT nic FROM T]")));
    EXPECT_TRUE(message.contains(QStringLiteral("nic")));
    EXPECT_FALSE(query.isActive());
}

TEST_F(QueryRunners, TheEditorRunnerCountsOnTheWayItTook)
{
    QPlainTextEdit memo;
    qint32 records = -1, changed = -1;
    memo.setPlainText(QStringLiteral("\nselect *\nfrom T"));
    EXPECT_EQ(OpenOrExecMemoQuery(query, memo, records, changed), QueryResult::OpenedMany);
    EXPECT_EQ(records, 3);
    EXPECT_EQ(changed, 0);
    EXPECT_EQ(query.commandText(), QStringLiteral("\r\nselect *\r\nfrom T\r\n"));

    memo.setPlainText(QStringLiteral("UPDATE T\nSET price = 3"));
    EXPECT_EQ(OpenOrExecMemoQuery(query, memo, records, changed), QueryResult::ChangedMany);
    EXPECT_EQ(records, 0);
    EXPECT_EQ(changed, 3);

    // A structure change counts no rows by its nature: it is a special statement done, not a
    // change of none. A row change of none stays one, comments and literals notwithstanding.
    memo.setPlainText(QStringLiteral("CREATE TABLE V (a INT) -- no UPDATE here"));
    EXPECT_EQ(OpenOrExecMemoQuery(query, memo, records, changed), QueryResult::ChangedUnknown);
    memo.setPlainText(QStringLiteral("DROP TABLE V"));
    EXPECT_EQ(OpenOrExecMemoQuery(query, memo, records, changed), QueryResult::ChangedUnknown);
    memo.setPlainText(QStringLiteral("/* x */ delete\nfrom T where name = 'DROP'"));
    EXPECT_EQ(OpenOrExecMemoQuery(query, memo, records, changed), QueryResult::ChangedNone);
    memo.setPlainText(QStringLiteral("update T set name = 'x' where id = 99"));
    EXPECT_EQ(OpenOrExecMemoQuery(query, memo, records, changed), QueryResult::ChangedNone);

    memo.setPlainText(QStringLiteral("UPDATE nikde SET a = 1"));
    EXPECT_EQ(OpenOrExecMemoQuery(query, memo, records, changed), QueryResult::Failed);
    ASSERT_EQ(prompts.textsOf(QStringLiteral("message")).size(), 1);
    EXPECT_TRUE(prompts.textsOf(QStringLiteral("message"))[0].startsWith(
        QStringLiteral("Při provádění příkazu došlo k chybě:\n\r\n\r")));
    EXPECT_TRUE(prompts.textsOf(QStringLiteral("message"))[0].endsWith(
        QStringLiteral("[query text:\n\rUPDATE nikde SET a = 1\r\n]")));
}

TEST_F(QueryRunners, TheEditorsLinesAreTheSameForItsChecksAndItsRunner)
{
    // Shift+Enter types a line separator inside a block; a no-break space is typed or pasted.
    QPlainTextEdit memo;
    memo.setPlainText(QStringLiteral("DELETE FROM T -- jen jeden\u2028WHERE id = 1\u2029"
                                     "AND\u00A0name = 'a'\n"));
    const QStringList lines = MemoLines(memo);
    EXPECT_EQ(lines,
              QStringList({ QStringLiteral("DELETE FROM T -- jen jeden"),
                            QStringLiteral("WHERE id = 1"), QStringLiteral("AND name = 'a'") }));
    qint32 records = 0, changed = 0;
    EXPECT_EQ(OpenOrExecMemoQuery(query, memo, records, changed), QueryResult::ChangedOne);
    EXPECT_EQ(query.commandText(), lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
    EXPECT_EQ(OpenOrExecXSimpleQuery(query, QStringLiteral("SELECT count(*) FROM T")),
              QueryResult::OpenedOne);
    EXPECT_EQ(query.field(0).text(), QStringLiteral("2"));
}

TEST(SqlText, CommentsLiteralsAndQuotedNamesAreBlankedAcrossLines)
{
    // The code that is left, its blanks run together; each line keeps its length.
    const auto code = [](const QStringList &lines, SqlDialect dialect) {
        QStringList left;
        const QStringList blanked = SqlCodeLines(lines, dialect);
        for (qsizetype i = 0; i < blanked.size(); ++i) {
            EXPECT_EQ(blanked[i].size(), lines[i].size());
            left << blanked[i].simplified();
        }
        return left;
    };
    EXPECT_EQ(
        code({ QStringLiteral("DELETE FROM T -- WHERE"), QStringLiteral("x /* WHERE"),
               QStringLiteral("WHERE */ y 'it''s"), QStringLiteral("WHERE' [a]]WHERE ] `b` z") },
             SqlDialect::Standard),
        QStringList({ QStringLiteral("DELETE FROM T"), QStringLiteral("x"), QStringLiteral("y"),
                      QStringLiteral("z") }));
    // MySQL: a "#" comment and a backslash escape; SQL Server: a temporary table's "#" and a
    // backslash that ends nothing.
    EXPECT_EQ(
        code({ QStringLiteral("a # WHERE"), QStringLiteral("'x\\' WHERE' b") }, SqlDialect::MySql),
        QStringList({ QStringLiteral("a"), QStringLiteral("b") }));
    EXPECT_EQ(code({ QStringLiteral("FROM #t WHERE 'c:\\' = d") }, SqlDialect::SqlServer),
              QStringList({ QStringLiteral("FROM #t WHERE = d") }));

    EXPECT_TRUE(ChangesRows({ QStringLiteral("insert into T values (1)") }, SqlDialect::Standard));
    EXPECT_TRUE(ChangesRows({ QStringLiteral("SELECT a"), QStringLiteral("INTO nové FROM T") },
                            SqlDialect::SqlServer));
    EXPECT_FALSE(
        ChangesRows({ QStringLiteral("CREATE TABLE updates (a INT)") }, SqlDialect::Standard));
    EXPECT_FALSE(ChangesRows({ QStringLiteral("DROP TABLE T -- DELETE"),
                               QStringLiteral("/* UPDATE */ SET @x = 'INSERT'") },
                             SqlDialect::MySql));
}

TEST(BreakLongLines, BreaksOnlyAfterBlanksCommasAndSemicolonsPastTheWidth)
{
    EXPECT_EQ(BreakLongLines(QStringLiteral("alpha beta  gamma"), 5),
              QStringLiteral("alpha \r\nbeta \r\n gamma"));
    EXPECT_EQ(BreakLongLines(QStringLiteral("alpha beta gamma"), 5),
              QStringLiteral("alpha \r\nbeta \r\ngamma"));
    const QString noBreaks(200, QLatin1Char('x'));
    EXPECT_EQ(BreakLongLines(noBreaks, 80), noBreaks);
    EXPECT_EQ(BreakLongLines(QString(79, QLatin1Char('a')) + QStringLiteral(" b"), 80),
              QString(79, QLatin1Char('a')) + QStringLiteral(" \r\nb"));
    EXPECT_EQ(BreakLongLines(QString(300, QLatin1Char('a')) + QStringLiteral(" "), 80),
              QString(300, QLatin1Char('a')) + QStringLiteral(" \r\n"));
    // Columns count from each LF; a CR alone does not reset them.
    EXPECT_EQ(BreakLongLines(QStringLiteral("ab\r\ncd ef"), 3), QStringLiteral("ab\r\ncd \r\nef"));
    EXPECT_EQ(BreakLongLines(QStringLiteral("a\rb c,d"), 3), QStringLiteral("a\rb \r\nc,d"));
}

TEST(ColumnSum, SumsKeepMoneyAmountsAndShowTwoDecimalsAtMost)
{
    EXPECT_EQ(VarToDoubleOrZero(Value()), 0.0);
    EXPECT_EQ(VarToDoubleOrZero(Value::decimal(QStringLiteral("123456789.12"))), 123456789.12);
    EXPECT_THROW(VarToDoubleOrZero(Value::text(QStringLiteral("nic"))), DataError);
    EXPECT_EQ(sumText(123456789.12), QStringLiteral("123456789,12"));
    EXPECT_EQ(sumText(1234.5), QStringLiteral("1234,5"));
    EXPECT_EQ(sumText(2.0), QStringLiteral("2"));
    EXPECT_EQ(sumText(0.004), QStringLiteral("0"));
    EXPECT_EQ(sumText(-0.996), QStringLiteral("-1"));
    EXPECT_EQ(sumText(0.5), QStringLiteral("0,5"));
    EXPECT_EQ(sumText(1.005), QStringLiteral("1,01")) << "rounded as written, not as stored";
}

TEST(ColumnSum, ExactTotalsKeepEveryDigit)
{
    EXPECT_EQ(sumText(Value()), QStringLiteral("0"));
    EXPECT_EQ(sumText(Value::integer(9223372036854775807)), QStringLiteral("9223372036854775807"));
    EXPECT_EQ(sumText(Value::decimal(QStringLiteral("36893488147419103230"))),
              QStringLiteral("36893488147419103230"));
    EXPECT_EQ(sumText(Value::decimal(QStringLiteral("12345678901234567.005"))),
              QStringLiteral("12345678901234567,01"));
    EXPECT_EQ(sumText(Value::decimal(QStringLiteral("-99999999999999999.995"))),
              QStringLiteral("-100000000000000000"));
    EXPECT_EQ(sumText(Value::decimal(QStringLiteral("-0.004"))), QStringLiteral("0"));
    EXPECT_EQ(sumText(Value::decimal(QStringLiteral("250.50"))), QStringLiteral("250,5"));
    EXPECT_EQ(sumText(Value::real(0.1 + 0.2)), QStringLiteral("0,3"));
}

namespace {

// Whether the field's gathered values hold each probe exactly when a lookup of the field finds
// it; a probe of no use to the lookup is of no use to them either.
void expectValuesAgreeWithLookup(Dataset &table, const QString &name,
                                 const Dataset::FieldValues &values,
                                 std::initializer_list<Value> probes)
{
    for (const Value &probe : probes) {
        bool looked = false;
        try {
            looked = !table.lookup(name, probe, name).isNull();
        } catch (const DataError &) {
            EXPECT_THROW(values.contains(probe), DataError) << name.toStdString();
            continue;
        }
        EXPECT_EQ(values.contains(probe), looked)
            << name.toStdString() << " " << probe.toText().toStdString();
    }
}

} // namespace

TEST_F(QueryRunners, FieldValuesTellWhatALookupOfTheFieldTells)
{
    connection.provider().run(
        QStringLiteral("INSERT INTO T (name, price) VALUES ('A', -0.0), ('b ', 7), (NULL, 2.5)"));
    Dataset table(Dataset::Kind::Table);
    table.setConnection(&connection);
    table.setCommandText(QStringLiteral("T"));
    table.open();
    for (const char *field : { "id", "name", "price" }) {
        const QString name = QString::fromLatin1(field);
        Dataset::FieldValues values = table.fieldValues(name);
        expectValuesAgreeWithLookup(
            table, name, values,
            { Value::text(QStringLiteral("a")), Value::text(QStringLiteral("A")),
              Value::text(QStringLiteral("b")), Value::text(QStringLiteral("b ")), Value(),
              Value::integer(2), Value::integer(0), Value::real(0.0), Value::real(2.5),
              Value::text(QStringLiteral("2.5")), Value::real(1.5), Value::integer(7) });
        values.add(Value::text(QStringLiteral("99")));
        EXPECT_TRUE(values.contains(Value::text(QStringLiteral("99")))) << field;
    }
}

// Whole numbers and truth values are gathered from the stored numbers: a NULL among them is no
// value, and a truth value is found by any number or text that means it.
TEST_F(QueryRunners, FieldValuesOfWholeNumbersAndTruthValuesSkipNulls)
{
    for (const char *sql : { "CREATE TABLE W (n INTEGER, ok BOOLEAN)",
                             "INSERT INTO W VALUES (5, 1), (NULL, 0), (-3, NULL)" })
        connection.provider().run(QString::fromLatin1(sql));
    Dataset table(Dataset::Kind::Table);
    table.setConnection(&connection);
    table.setCommandText(QStringLiteral("W"));
    table.open();
    ASSERT_EQ(table.fieldByName(QStringLiteral("n")).type(), FieldType::Int);
    ASSERT_EQ(table.fieldByName(QStringLiteral("ok")).type(), FieldType::Bool);
    for (const char *field : { "n", "ok" }) {
        const QString name = QString::fromLatin1(field);
        expectValuesAgreeWithLookup(
            table, name, table.fieldValues(name),
            { Value(), Value::integer(5), Value::integer(-3), Value::integer(0), Value::integer(1),
              Value::integer(7), Value::boolean(true), Value::boolean(false),
              Value::text(QStringLiteral("5")), Value::text(QStringLiteral("x")) });
    }
}
