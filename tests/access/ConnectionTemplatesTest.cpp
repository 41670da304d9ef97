#include "access/ConnectionTemplates.h"
#include "access/ConnectionString.h"
#include "access/DataError.h"
#include "access/odbc/OdbcConnectionString.h"

#include <gtest/gtest.h>

using namespace vrl;

TEST(ConnectionTemplates, SqlServerOleDb)
{
    EXPECT_EQ(sqlServerOleDbWindowsAuth(QStringLiteral("SRV01"), QStringLiteral("Sales")),
              QStringLiteral(
                  "Persist Security Info=false;Integrated Security=SSPI;Provider=SQLOLEDB.1;"
                  "Initial Catalog=Sales;Data Source=SRV01;Packet Size=4096;Auto Translate=False"));
    EXPECT_EQ(sqlServerOleDbSqlAuth(QStringLiteral("SRV01"), QStringLiteral("Sales"),
                                    QStringLiteral("sa"), QStringLiteral("tajné")),
              QStringLiteral(
                  "Persist Security Info=true;User ID=sa;Password=tajné;Provider=SQLOLEDB.1;"
                  "Initial Catalog=Sales;Data Source=SRV01;Packet Size=4096;Auto Translate=False"));
}

TEST(ConnectionTemplates, SqlServerNcl10HasEmptyQuotedPairsAndNoPacketSize)
{
    EXPECT_EQ(
        sqlServerNcl10WindowsAuth(QStringLiteral("SRV01\\SQL2008"), QStringLiteral("Sales")),
        QStringLiteral("Persist Security Info=false;Integrated Security=SSPI;Provider=SQLNCLI10.1;"
                       "Initial Catalog=Sales;Data Source=SRV01\\SQL2008;Initial File Name=\"\";"
                       "Server SPN=\"\";Auto Translate=False"));
    EXPECT_EQ(
        sqlServerNcl10SqlAuth(QStringLiteral("SRV01"), QStringLiteral("Sales"),
                              QStringLiteral("sa"), QStringLiteral("pw")),
        QStringLiteral("Persist Security Info=true;User ID=sa;Password=pw;Provider=SQLNCLI10.1;"
                       "Initial Catalog=Sales;Data Source=SRV01;Initial File Name=\"\";"
                       "Server SPN=\"\";Auto Translate=False"));
}

TEST(ConnectionTemplates, MySqlWrapsTheOdbcPartInQuotes)
{
    EXPECT_EQ(
        mySqlOdbc(QStringLiteral("db.local"), QStringLiteral("shop"), QStringLiteral("root"),
                  QStringLiteral("pw"), QStringLiteral("3306"), QStringLiteral("shop")),
        QStringLiteral("Provider=MSDASQL.1;Persist Security Info=False;Extended Properties=\""
                       "DRIVER=MySQL ODBC 5.3 ANSI Driver;SERVER=db.local;DATABASE=shop;UID=root;"
                       "PASSWORD=pw;PORT=3306\";Initial Catalog=shop"));
    // An empty port puts the closing quote right after "PORT="; an empty catalog ends the text.
    EXPECT_EQ(
        mySqlOdbc(QStringLiteral("h"), QStringLiteral("d"), QStringLiteral("u"),
                  QStringLiteral("p"), QString(), QString()),
        QStringLiteral("Provider=MSDASQL.1;Persist Security Info=False;Extended Properties=\""
                       "DRIVER=MySQL ODBC 5.3 ANSI Driver;SERVER=h;DATABASE=d;UID=u;PASSWORD=p;"
                       "PORT=\";Initial Catalog="));
}

TEST(ConnectionTemplates, ValuesGoInUnchangedUnlessTheyWouldBreakTheString)
{
    // Blanks are neither trimmed nor quoted.
    EXPECT_EQ(excelWorkbook(QStringLiteral("/home/jan/Moje sešity/kniha 1.xlsx")),
              QStringLiteral(
                  "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/home/jan/Moje sešity/kniha 1.xlsx;"
                  "Extended Properties=Excel 8.0;Persist Security Info=False"));
    // Semicolons, quotes and braces: in double quotes, inner ones doubled.
    EXPECT_EQ(sqlServerOleDbSqlAuth(QStringLiteral(" srv "), QStringLiteral("a;b"), QString(),
                                    QStringLiteral("p\"w;")),
              QStringLiteral("Persist Security Info=true;User ID=;Password=\"p\"\"w;\";"
                             "Provider=SQLOLEDB.1;Initial Catalog=\"a;b\";Data Source= srv ;"
                             "Packet Size=4096;Auto Translate=False"));
    EXPECT_EQ(excelWorkbook(QStringLiteral("/tmp/a;b/it's.xlsx")),
              QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"/tmp/a;b/it's.xlsx\";"
                             "Extended Properties=Excel 8.0;Persist Security Info=False"));
}

TEST(ConnectionTemplates, EveryValueReadsBackWhole)
{
    const QString nasty = QStringLiteral("a;b\"c{d}e'");
    const ConnectionString sql(sqlServerNcl10SqlAuth(nasty, nasty, nasty, nasty));
    for (const char *key : { "Data Source", "Initial Catalog", "User ID", "Password" })
        EXPECT_EQ(sql.value(QLatin1String(key)), nasty) << key;
    EXPECT_EQ(sql.value(QStringLiteral("Provider")), QStringLiteral("SQLNCLI10.1"));

    // The MySQL password sits in braces inside the ODBC part, which sits in double quotes.
    const QString mysql = mySqlOdbc(QStringLiteral("h"), QStringLiteral("d"), QStringLiteral("u"),
                                    nasty, QStringLiteral("3306"), nasty);
    EXPECT_TRUE(mysql.contains(QStringLiteral("PASSWORD={a;b\"\"c{d}}e'};PORT=3306\"")))
        << mysql.toStdString();
    const ConnectionString outer(mysql);
    EXPECT_EQ(outer.value(QStringLiteral("Initial Catalog")), nasty);
    const auto pairs = odbc::parseOdbcString(outer.value(QStringLiteral("Extended Properties")));
    ASSERT_EQ(pairs.size(), 6);
    EXPECT_EQ(pairs[4], std::make_pair(QStringLiteral("PASSWORD"), nasty));
    EXPECT_EQ(pairs[5], std::make_pair(QStringLiteral("PORT"), QStringLiteral("3306")));

    // A password that is all in braces keeps them.
    const QString braced = QStringLiteral("{tajné}");
    const ConnectionString again(mySqlOdbc(QStringLiteral("h"), QStringLiteral("d"),
                                           QStringLiteral("u"), braced, QStringLiteral("1"),
                                           QString()));
    EXPECT_EQ(odbc::parseOdbcString(again.value(QStringLiteral("Extended Properties")))[4].second,
              braced);
    EXPECT_EQ(ConnectionString(sqlServerOleDbSqlAuth(QStringLiteral("s"), QStringLiteral("d"),
                                                     QStringLiteral("u"), braced))
                  .value(QStringLiteral("Password")),
              braced);
}

TEST(ConnectionStrings, BrokenStringsAreExplainedWithoutTheirText)
{
    // Typed by hand, unquoted: the password ends early and the rest is no key=value pair.
    const QString secret = QStringLiteral("tajné\"heslo");
    for (const QString &text :
         { QStringLiteral("Provider=SQLOLEDB.1;Password=a;") + secret + QStringLiteral(";x=1"),
           QStringLiteral("Provider=SQLOLEDB.1;Password=\"") + secret }) {
        try {
            ConnectionString parsed(text);
            ADD_FAILURE() << "accepted: " << text.toStdString();
        } catch (const DataError &error) {
            EXPECT_FALSE(error.message().contains(QStringLiteral("heslo")))
                << error.message().toStdString();
        }
    }
    for (const QString &text :
         { QStringLiteral("DRIVER=x;PWD=a;") + secret + QStringLiteral(";PORT=1"),
           QStringLiteral("DRIVER=x;PWD={") + secret }) {
        try {
            odbc::parseOdbcString(text);
            ADD_FAILURE() << "accepted: " << text.toStdString();
        } catch (const DataError &error) {
            EXPECT_TRUE(error.message().startsWith(QStringLiteral("Chybný řetězec ODBC: ")));
            EXPECT_FALSE(error.message().contains(QStringLiteral("heslo")))
                << error.message().toStdString();
        }
    }
}
