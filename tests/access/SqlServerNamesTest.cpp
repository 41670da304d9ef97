// The names of SQL Server tables in the table choice and in statements, as functions of the
// schema, the name and the user's default schema.
#include "access/odbc/SqlServerNames.h"

#include <gtest/gtest.h>

using namespace vrl::odbc;

TEST(SqlServerNames, ATableOfTheDefaultSchemaIsListedBareAndAnyOtherWithItsSchema)
{
    EXPECT_EQ(
        listedTableName(QStringLiteral("dbo"), QStringLiteral("Orders"), QStringLiteral("dbo")),
        QStringLiteral("Orders"));
    EXPECT_EQ(
        listedTableName(QStringLiteral("DBO"), QStringLiteral("Orders"), QStringLiteral("dbo")),
        QStringLiteral("Orders"));
    // Two schemas holding one name are two entries, never the same one twice.
    EXPECT_EQ(
        listedTableName(QStringLiteral("Sales"), QStringLiteral("Orders"), QStringLiteral("dbo")),
        QStringLiteral("Sales.Orders"));
    // A default schema that is not dbo: dbo's tables carry their schema.
    EXPECT_EQ(
        listedTableName(QStringLiteral("dbo"), QStringLiteral("Orders"), QStringLiteral("prodej")),
        QStringLiteral("dbo.Orders"));
    EXPECT_EQ(listedTableName(QStringLiteral("prodej"), QStringLiteral("Objednávky"),
                              QStringLiteral("prodej")),
              QStringLiteral("Objednávky"));
    // Parts the listed form could not tell apart go in brackets.
    EXPECT_EQ(listedTableName(QStringLiteral("dbo"), QStringLiteral("a.b"), QStringLiteral("dbo")),
              QStringLiteral("[a.b]"));
    EXPECT_EQ(
        listedTableName(QStringLiteral("my.schema"), QStringLiteral("t"), QStringLiteral("dbo")),
        QStringLiteral("[my.schema].t"));
    EXPECT_EQ(listedTableName(QStringLiteral("dbo"), QStringLiteral("[x]"), QStringLiteral("dbo")),
              QStringLiteral("[[x]]]"));
    EXPECT_EQ(listedTableName(QStringLiteral("Sales"), QStringLiteral("Order Details"),
                              QStringLiteral("dbo")),
              QStringLiteral("Sales.Order Details"));
}

TEST(SqlServerNames, AListedNameIsWrittenAsItsBracketedParts)
{
    EXPECT_EQ(bracketedTableName(QStringLiteral("Orders")), QStringLiteral("[Orders]"));
    EXPECT_EQ(bracketedTableName(QStringLiteral("Sales.Orders")),
              QStringLiteral("[Sales].[Orders]"));
    EXPECT_EQ(bracketedTableName(QStringLiteral("Sales.Order Details")),
              QStringLiteral("[Sales].[Order Details]"));
    EXPECT_EQ(bracketedTableName(QStringLiteral("Prodej.Zboží a služby")),
              QStringLiteral("[Prodej].[Zboží a služby]"));
    EXPECT_EQ(bracketedTableName(QStringLiteral("a]b")), QStringLiteral("[a]]b]"));
    EXPECT_EQ(bracketedTableName(QStringLiteral("[a.b]")), QStringLiteral("[a.b]"));
    EXPECT_EQ(bracketedTableName(QStringLiteral("[my.schema].t")),
              QStringLiteral("[my.schema].[t]"));
    EXPECT_EQ(bracketedTableName(QStringLiteral("select")), QStringLiteral("[select]"));

    // Every awkward pair comes back as it went in.
    const QStringList awkward { QStringLiteral("Orders"),     QStringLiteral("a.b"),
                                QStringLiteral("a]b"),        QStringLiteral("[x]"),
                                QStringLiteral("se mezerou"), QStringLiteral("Žluťoučký kůň"),
                                QStringLiteral(" kraj "),     QStringLiteral("x.y.z]") };
    for (const QString &schema : awkward + QStringList { QStringLiteral("dbo") }) {
        for (const QString &name : awkward) {
            const QString listed = listedTableName(schema, name, QStringLiteral("dbo"));
            const TableParts parts = tablePartsOf(listed);
            EXPECT_EQ(parts.name, name) << listed.toStdString();
            EXPECT_EQ(parts.schema, schema == QLatin1String("dbo") ? QString() : schema)
                << listed.toStdString();
            EXPECT_EQ(bracketedTableName(listed),
                      schema == QLatin1String("dbo")
                          ? bracketed(name)
                          : bracketed(schema) + QLatin1Char('.') + bracketed(name))
                << listed.toStdString();
        }
    }
}
