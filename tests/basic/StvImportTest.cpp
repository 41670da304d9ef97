// The pieces of the STV import as plain functions: cutting lines, literals by type, the header
// check and the statements.
#include "basic/StvImport.h"
#include "basic/SeparatedItem.h"

#include <gtest/gtest.h>

using namespace vrl;

TEST(StvLines, CuttingDropsOnlyATrailingEmptyPiece)
{
    EXPECT_EQ(CutStvLine(QStringLiteral("a;b;")), QStringList({ "a", "b" }));
    EXPECT_EQ(CutStvLine(QStringLiteral(";a")), QStringList({ "", "a" }));
    EXPECT_EQ(CutStvLine(QStringLiteral("a;;b")), QStringList({ "a", "", "b" }));
    EXPECT_TRUE(CutStvLine(QString()).isEmpty());
    EXPECT_EQ(CutStvLine(QStringLiteral(" x ")), QStringList({ " x " }));

    EXPECT_EQ(SeparatedItem(QStringLiteral("Id;Code"), 0, u';'), QStringLiteral("Id"));
    EXPECT_EQ(SeparatedItem(QStringLiteral("Name;Title;x"), 1, u';'), QStringLiteral("Title"));
    EXPECT_EQ(SeparatedItem(QStringLiteral("Name"), 1, u';'), QString());
    EXPECT_EQ(SeparatedItem(QStringLiteral("Name"), 0, u';'), QStringLiteral("Name"));
    EXPECT_EQ(SeparatedItem(QStringLiteral("a;b;c"), 3, u';'), QString());
}

TEST(StvValues, NumbersBooleansDatesAndTextsByType)
{
    EXPECT_EQ(NormalizeNumber(QStringLiteral("1 234,5")), QStringLiteral("1234.5"));
    EXPECT_EQ(NormalizeNumber(QStringLiteral("12")), QStringLiteral("12.00"));
    EXPECT_EQ(NormalizeNumber(QStringLiteral("-7 Kč")), QStringLiteral("-7č.00"));
    EXPECT_EQ(NormalizeNumber(QString()), QStringLiteral(".00"));
    EXPECT_EQ(NormalizeNumber(QStringLiteral("1.234,56")), QStringLiteral("1.234.56"));

    const QList<int> booleans(5, StvBoolean);
    const QStringList words { "true", "T", "1", "yes", "0" };
    QStringList literals;
    for (int i = 0; i < 6; ++i)
        literals << CSVValueToSQL(booleans + QList<int> { StvBoolean }, words, i).value();
    EXPECT_EQ(literals, QStringList({ "1", "1", "1", "0", "0", "0" }));

    const QList<int> types { StvInteger, StvString,  StvDateTime, StvCurrency,
                             StvFloat,   StvVariant, StvUnknown };
    const QStringList line { "1", "O'Neil", "5.3.2020", "10,50", "1.5e3", "'a''b'", "x" };
    QStringList sql;
    for (int i = 0; i < types.size(); ++i)
        sql << CSVValueToSQL(types, line, i).value();
    EXPECT_EQ(sql,
              QStringList({ "1", "'O''Neil'", "CONVERT(datetime,'5.3.2020',4)", "10.50", "1.5e3",
                            "'a''b'", "NULL" }));
    // Missing values get their defaults.
    QStringList defaults;
    for (int i = 0; i < types.size(); ++i)
        defaults << CSVValueToSQL(types, {}, i).value();
    EXPECT_EQ(
        defaults,
        QStringList({ "0", "''", "CONVERT(datetime,'1.1.1900',4)", "0.0", "0", "0", "NULL" }));
}

TEST(StvValues, NothingButALiteralLeavesAnIntegerFloatOrVariantColumn)
{
    const QList<int> types { StvInteger, StvFloat, StvVariant };
    // Without a ";", as they would stand in a file: another row, a query, a computation.
    for (const QString &attack :
         { QStringLiteral("1),('B',2"), QStringLiteral("(SELECT 7)"), QStringLiteral("1-2"),
           QStringLiteral("1 OR 1=1"), QStringLiteral("'a' || (SELECT 1)"),
           QStringLiteral("'unclosed"), QStringLiteral("0x1F OR 1"), QStringLiteral("N'a'+'b'"),
           QString(), QStringLiteral(" "), QStringLiteral("1,5"), QStringLiteral("--1") }) {
        for (int i = 0; i < 3; ++i)
            EXPECT_FALSE(CSVValueToSQL(types, { attack, attack, attack }, i).has_value())
                << attack.toStdString() << " in column " << i;
    }
    // One literal of its type, blanks at its ends aside, goes in as it stands.
    for (const QString &number :
         { QStringLiteral(" 5"), QStringLiteral("5 "), QStringLiteral("1."), QStringLiteral("-12"),
           QStringLiteral("+.5"), QStringLiteral("1.5e3") }) {
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(CSVValueToSQL(types, { number, number, number }, i).value_or("refused"),
                      number)
                << number.toStdString() << " in column " << i;
    }
    for (const QString &literal :
         { QStringLiteral("NULL"), QStringLiteral("null"), QStringLiteral("N'Žluťoučký'"),
           QStringLiteral("'it''s'"), QStringLiteral("0x1F"), QStringLiteral(" 'a' ") })
        EXPECT_EQ(CSVValueToSQL(types, { "", "", literal }, 2).value_or("refused"), literal)
            << literal.toStdString();
    QString refusal;
    EXPECT_FALSE(StvInsertStatement(QStringLiteral("T"), { "A", "B" }, { StvString, StvInteger },
                                    { "x", QStringLiteral("1),('B',2") }, &refusal)
                     .has_value());
    EXPECT_EQ(refusal, QStringLiteral("Hodnota „1),('B',2“ položky B není číslo."));
}

TEST(StvValues, ACurrencyValueMustBeANumberOnceNormalized)
{
    const QList<int> types { StvCurrency };
    for (const QString &value :
         { QStringLiteral("1-2"), QStringLiteral("2024-04-15"), QStringLiteral("1.234,56"),
           QStringLiteral("-7 Kč"), QStringLiteral("+-1") })
        EXPECT_FALSE(CSVValueToSQL(types, { value }, 0).has_value()) << value.toStdString();
    EXPECT_EQ(CSVValueToSQL(types, { "1 234,5" }, 0).value_or("refused"), QStringLiteral("1234.5"));
    EXPECT_EQ(CSVValueToSQL(types, { "-7 CZK" }, 0).value_or("refused"), QStringLiteral("-7.00"));
    EXPECT_EQ(CSVValueToSQL(types, { "" }, 0).value_or("refused"), QStringLiteral(".00"));
    // Letters and brackets go before the check: what is left is one number.
    EXPECT_EQ(CSVValueToSQL(types, { "(SELECT 7)" }, 0).value_or("refused"),
              QStringLiteral("7.00"));
}

TEST(StvStatements, TheWorkedExampleAndTheHeaderCheck)
{
    const QList<int> types { StvInteger, StvString, StvDateTime };
    EXPECT_EQ(StvInsertStatement(QStringLiteral("T"), { "A", "B", "C" }, types,
                                 { "1", "O'Neil", "5.3.2020" })
                  .value(),
              QStringLiteral("INSERT INTO T\r(A,B,C)\rVALUES (1,'O''Neil',"
                             "CONVERT(datetime,'5.3.2020',4))"));
    EXPECT_EQ(StvInsertStatement(QStringLiteral("T"), { "A", "B", "C" }, types, { "1" }).value(),
              QStringLiteral("INSERT INTO T\r(A,B,C)\rVALUES (1,'',"
                             "CONVERT(datetime,'1.1.1900',4))"));
    EXPECT_EQ(
        StvInsertStatement(QStringLiteral("T"), { "A" }, { StvInteger }, { "7", "8" }).value(),
        QStringLiteral("INSERT INTO T\r(A)\rVALUES (7)"));
    // For SQL Server the texts are national; numbers and the Part's other forms stay.
    EXPECT_EQ(StvInsertStatement(QStringLiteral("[dbo].[T]"), { "A", "B", "C" }, types,
                                 { "1", "Řeř", "5.3.2020" }, nullptr, true)
                  .value(),
              QStringLiteral("INSERT INTO [dbo].[T]\r(A,B,C)\rVALUES (1,N'Řeř',"
                             "CONVERT(datetime,N'5.3.2020',4))"));

    const QStringList fields { "Name", "Jednotková cena", "Id" };
    EXPECT_TRUE(StvHeaderFits({ "Nam" }, { "STRING" }, fields)); // a part of a name will do
    EXPECT_TRUE(StvHeaderFits({ "\"Jednotková cena\"" }, { "FLOAT" }, fields));
    EXPECT_FALSE(StvHeaderFits({ "Cena", "Id" }, { "FLOAT", "INTEGER" }, fields));
    EXPECT_FALSE(StvHeaderFits({ "Id", "Name" }, { "INTEGER" }, fields));
    EXPECT_FALSE(StvHeaderFits({}, {}, fields));
    EXPECT_EQ(StvTypeCode(QStringLiteral("string")), 0);
    EXPECT_EQ(StvTypeCode(QStringLiteral("VARIANT")), int(StvVariant));
}
