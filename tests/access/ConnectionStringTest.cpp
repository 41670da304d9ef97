#include "access/ConnectionString.h"
#include "access/Connection.h"
#include "access/ConnectionTemplates.h"
#include "access/DataError.h"
#include "access/odbc/OdbcConnectionString.h"

#include <gtest/gtest.h>

using namespace vrl;

TEST(ConnectionString, ReadsTheTemplatesOfTheConnectionDialogs)
{
    const ConnectionString mysql(mySqlOdbc(QStringLiteral("db"), QStringLiteral("shop"),
                                           QStringLiteral("u"), QStringLiteral("p;w"),
                                           QStringLiteral("3306"), QString()));
    EXPECT_EQ(mysql.value(QStringLiteral("provider")), QStringLiteral("MSDASQL.1"));
    EXPECT_EQ(mysql.value(QStringLiteral("Extended Properties")),
              QStringLiteral("DRIVER=MySQL ODBC 5.3 ANSI "
                             "Driver;SERVER=db;DATABASE=shop;UID=u;PASSWORD={p;w};PORT=3306"));
    EXPECT_EQ(mysql.value(QStringLiteral("Initial Catalog")), QString());
    EXPECT_TRUE(mysql.contains(QStringLiteral("initial catalog")));

    const ConnectionString ncl(sqlServerNcl10SqlAuth(QStringLiteral("srv\\inst"),
                                                     QStringLiteral("Účty"), QStringLiteral("sa"),
                                                     QStringLiteral("x")));
    EXPECT_EQ(ncl.value(QStringLiteral("Data Source")), QStringLiteral("srv\\inst"));
    EXPECT_EQ(ncl.value(QStringLiteral("Initial Catalog")), QStringLiteral("Účty"));
    EXPECT_EQ(ncl.value(QStringLiteral("Initial File Name"), QStringLiteral("unset")), QString());
    EXPECT_EQ(ncl.value(QStringLiteral("Server SPN"), QStringLiteral("unset")), QString());

    const ConnectionString excel(excelWorkbook(QStringLiteral("/data/Moje knihy/kniha.xlsx")));
    EXPECT_EQ(excel.value(QStringLiteral("Data Source")),
              QStringLiteral("/data/Moje knihy/kniha.xlsx"));
    EXPECT_EQ(excel.value(QStringLiteral("Extended Properties")), QStringLiteral("Excel 8.0"));
}

TEST(ConnectionString, QuotesBlanksAndEscapes)
{
    const ConnectionString s(QStringLiteral(" Provider = SQLite ; Data Source='/tmp/it''s here.db';"
                                            "Password=\"a\"\"b;c\";Key==Name=v;;"));
    EXPECT_EQ(s.value(QStringLiteral("PROVIDER")), QStringLiteral("SQLite"));
    EXPECT_EQ(s.value(QStringLiteral("Data Source")), QStringLiteral("/tmp/it's here.db"));
    EXPECT_EQ(s.value(QStringLiteral("password")), QStringLiteral("a\"b;c"));
    EXPECT_EQ(s.value(QStringLiteral("Key=Name")), QStringLiteral("v"));
}

TEST(ConnectionString, MalformedTextIsAClearError)
{
    for (const char *bad : { "Provider=SQLite;Data Source=\"/tmp/x.db", "Provider=SQLite;justtext",
                             "Password=\"a\"b;", "=value" }) {
        try {
            ConnectionString s(QString::fromUtf8(bad));
            ADD_FAILURE() << "accepted: " << bad;
        } catch (const DataError &error) {
            EXPECT_TRUE(error.message().startsWith(QStringLiteral("Chybný připojovací řetězec: ")))
                << bad;
        }
    }
}

TEST(Connection, UnknownProviderAndMissingFileFailTheOpen)
{
    Connection connection;
    connection.setConnectionString(QStringLiteral("Provider=Nonsense.1;Data Source=x"));
    try {
        connection.open();
        FAIL() << "an unknown provider opened";
    } catch (const DataError &error) {
        EXPECT_EQ(error.message(), QStringLiteral("Provider nebyl nalezen: Nonsense.1"));
    }
    EXPECT_FALSE(connection.isConnected());
    connection.setConnectionString(QStringLiteral("Provider=SQLite;Data Source=/no/such/file.db"));
    EXPECT_THROW(connection.open(), DataError);
    EXPECT_FALSE(connection.isConnected());
    EXPECT_THROW(connection.tableNames(), DataError);
}

TEST(ConnectionString, OdbcValuesKeepWhiteSpaceAtTheirEnds)
{
    const QVector<std::pair<QString, QString>> pairs {
        { QStringLiteral("SERVER"), QStringLiteral("\thost") },
        { QStringLiteral("UID"), QStringLiteral("\n") },
        { QStringLiteral("PWD"), QStringLiteral("heslo\u00a0") },
        { QStringLiteral("DATABASE"), QStringLiteral("plain") },
    };
    const QString text = odbc::joinOdbcString(pairs);
    EXPECT_TRUE(text.contains(QStringLiteral("DATABASE=plain;"))); // nothing else changes
    EXPECT_EQ(odbc::parseOdbcString(text), pairs);
}
