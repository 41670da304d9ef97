#include "data/access/ConnectionTemplates.h"

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

TEST(ConnectionTemplates, ValuesGoInUnchanged)
{
    // Semicolons, quotes and blanks are not escaped, trimmed or quoted.
    EXPECT_EQ(sqlServerOleDbSqlAuth(QStringLiteral(" srv "), QStringLiteral("a;b"), QString(),
                                    QStringLiteral("p\"w;")),
              QStringLiteral(
                  "Persist Security Info=true;User ID=;Password=p\"w;;Provider=SQLOLEDB.1;"
                  "Initial Catalog=a;b;Data Source= srv ;Packet Size=4096;Auto Translate=False"));
    EXPECT_EQ(excelWorkbook(QStringLiteral("/home/jan/Moje sešity/kniha 1.xlsx")),
              QStringLiteral(
                  "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/home/jan/Moje sešity/kniha 1.xlsx;"
                  "Extended Properties=Excel 8.0;Persist Security Info=False"));
}
