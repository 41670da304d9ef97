// The SQL editor's two checks and the statement presets, as plain functions over lines.
#include "query/StatementChecks.h"
#include "query/StatementPresets.h"

#include <gtest/gtest.h>

using namespace vrl;

TEST(FirstLineTest, AKeywordNeedsItsBlankAndSmallLettersAndDiacriticsCount)
{
    EXPECT_TRUE(FirstLineNamesAStatement(QStringLiteral("select * from T")));
    EXPECT_TRUE(FirstLineNamesAStatement(QStringLiteral("  insert into T values (1)")));
    EXPECT_TRUE(FirstLineNamesAStatement(QStringLiteral("x INTO y"))); // anywhere in the line
    EXPECT_FALSE(FirstLineNamesAStatement(QStringLiteral("SELECT"))); // the line break follows
    EXPECT_FALSE(FirstLineNamesAStatement(QStringLiteral("EXEC sp_who")));
    EXPECT_FALSE(FirstLineNamesAStatement(QString()));
    EXPECT_FALSE(FirstLineNamesAStatement(QStringLiteral("SELECT\t* FROM T")));
}

TEST(RiskCheck, VerdictsFollowTheLinesThatHoldEachKeyword)
{
    EXPECT_EQ(RiskVerdict({ QStringLiteral("SELECT * FROM T") }), 0);
    EXPECT_EQ(RiskVerdict({ QStringLiteral("DELETE FROM T") }), 1);
    EXPECT_EQ(RiskVerdict({ QStringLiteral("DELETE FROM T WHERE Id = 1") }), 0);
    // WHERE at the end of a line is followed by the line break, not by a blank.
    EXPECT_EQ(RiskVerdict({ QStringLiteral("DELETE FROM T WHERE"), QStringLiteral("Id = 1") }), 1);
    EXPECT_EQ(RiskVerdict({ QStringLiteral("update T set a = 1") }), 1);
    EXPECT_EQ(RiskVerdict({ QStringLiteral("DROP TABLE T") }), 3);
    EXPECT_EQ(RiskVerdict({ QStringLiteral("SELECT 1"), QStringLiteral("create table x (a int)") }),
              3);
    // Only a to z are upper-cased: a dotted capital is no keyword letter.
    EXPECT_EQ(RiskVerdict({ QStringLiteral("delete from T whEre x = 1") }), 0);

    // Lines are counted, not clauses: one line with a nested SELECT and its WHERE asks 2; a
    // WHERE on a line of its own for each statement runs without a question.
    EXPECT_EQ(
        RiskVerdict({ QStringLiteral("UPDATE T SET a = (SELECT max(b) FROM U) WHERE c = 1") }), 2);
    EXPECT_EQ(RiskVerdict({ QStringLiteral("UPDATE T SET a = (SELECT max(b) FROM U"),
                            QStringLiteral("WHERE U.d = T.d)"), QStringLiteral("WHERE c = 1") }),
              0);

    // Every line of a long editor is examined.
    QStringList lines(300, QStringLiteral("SELECT a FROM T WHERE a = 1"));
    EXPECT_EQ(RiskVerdict(lines), 0);
    lines[299] = QStringLiteral("ALTER TABLE T ADD b INT");
    EXPECT_EQ(RiskVerdict(lines), 3);
}

TEST(RiskCheck, AConditionCountsOnlyOutsideCommentsAndLiterals)
{
    // Each of these deletes or changes every row: the WHERE is no condition.
    for (const QStringList &lines :
         { QStringList { QStringLiteral("DELETE FROM položky -- WHERE id = 1") },
           QStringList { QStringLiteral("DELETE FROM T /* WHERE id = 1 */") },
           QStringList { QStringLiteral("DELETE FROM T /*"), QStringLiteral("WHERE id = 1 */") },
           QStringList { QStringLiteral("UPDATE T SET a = 'WHERE b = 1'") },
           QStringList { QStringLiteral("UPDATE T SET a = 'x"), QStringLiteral("WHERE b = 1'") } })
        EXPECT_EQ(RiskVerdict(lines), 1) << lines.join(u'|').toStdString();
    EXPECT_EQ(RiskVerdict({ QStringLiteral("DELETE FROM T # WHERE id = 1") }, SqlDialect::MySql),
              1);
    EXPECT_EQ(
        RiskVerdict({ QStringLiteral("UPDATE T SET a = 'it\\' WHERE b = 1'") }, SqlDialect::MySql),
        1);

    // Real conditions after comments and literals still count.
    EXPECT_EQ(RiskVerdict({ QStringLiteral("DELETE FROM T /* jen jeden */ WHERE id = 1") }), 0);
    EXPECT_EQ(RiskVerdict({ QStringLiteral("UPDATE T SET a = 'it''s' WHERE b = 1 -- x") }), 0);
    EXPECT_EQ(RiskVerdict({ QStringLiteral("DELETE FROM #t WHERE id = 1") }, SqlDialect::SqlServer),
              0);
    // The other keywords count wherever they stand: asking once too often is safe.
    EXPECT_EQ(RiskVerdict({ QStringLiteral("SELECT 1 -- DROP TABLE T") }), 3);
}

TEST(RiskCheck, QuestionsAreWordForWord)
{
    EXPECT_EQ(RiskQuestion(1),
              QStringLiteral("Query patrně obsahuje příkaz DELETE nebo UPDATE\r\nbez omezujících "
                             "podmínek (klauzule WHERE);\r\nto může být velmi nebezpečné.\r\n\r\n"
                             "Opravdu chceš tento příkaz provést?"));
    EXPECT_TRUE(RiskQuestion(2).startsWith(
        QStringLiteral("Query patrně obsahuje složený příkaz pro úpravu dat\r\ns vnořeným ")));
    EXPECT_TRUE(RiskQuestion(3).contains(QStringLiteral("(CREATE, ALTER nebo DROP);\r\n")));
    EXPECT_TRUE(RiskQuestion(0).isEmpty());
}

TEST(Presets, TheWorkedExampleLineByLine)
{
    const PresetInput orders { QStringLiteral("Orders"),
                               { QStringLiteral("Id"), QStringLiteral("Name"),
                                 QStringLiteral("Price") },
                               QStringLiteral("Price > 100") };
    EXPECT_EQ(PresetLines(Preset::Select, orders),
              QStringList({ "SELECT Id,", "Name,", "Price", "FROM Orders", "WHERE Price > 100" }));
    EXPECT_EQ(PresetLines(Preset::Update, orders),
              QStringList(
                  { "UPDATE Orders", "SET Id = ,", "Name = ,", "Price = ", "WHERE Price > 100" }));
    EXPECT_EQ(PresetLines(Preset::Delete, orders),
              QStringList({ "DELETE FROM Orders", "WHERE Price > 100" }));
    EXPECT_EQ(PresetLines(Preset::Insert, orders),
              QStringList({ "INSERT INTO Orders", "(Id,", "Name,", "Price)", "VALUES (...)" }));
}

TEST(Presets, NothingCheckedOneFieldAndBlankFilters)
{
    const PresetInput bare { QStringLiteral("Orders"), {}, QString() };
    EXPECT_EQ(PresetLines(Preset::Select, bare), QStringList({ "SELECT * ", "FROM Orders" }));
    EXPECT_EQ(PresetLines(Preset::Update, bare),
              QStringList({ "UPDATE Orders", "SET <field> = <value>" }));
    EXPECT_EQ(PresetLines(Preset::Delete, bare), QStringList({ "DELETE FROM Orders" }));
    EXPECT_EQ(PresetLines(Preset::Insert, bare),
              QStringList({ "INSERT INTO Orders", "VALUES (...)" }));

    const PresetInput one { QStringLiteral("my table"),
                            { QStringLiteral("Id") },
                            QStringLiteral("  ") };
    EXPECT_EQ(PresetLines(Preset::Select, one),
              QStringList({ "SELECT Id", "FROM my table", "WHERE   " }));
    EXPECT_EQ(PresetLines(Preset::Update, one),
              QStringList({ "UPDATE my table", "SET Id = ", "WHERE   " }));
    EXPECT_EQ(PresetLines(Preset::Insert, one),
              QStringList({ "INSERT INTO my table", "(Id)", "VALUES (...)" }));
}
