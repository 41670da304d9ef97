#include "access/ConnectionTemplates.h"
#include "access/DataError.h"
#include "access/odbc/OdbcConnectionString.h"

#include <gtest/gtest.h>

using namespace vrl;
using namespace vrl::odbc;

namespace {

OdbcTarget route(const QString &oledb, const QStringList &drivers, const QString &override = {},
                 const ConnectOptions &options = {})
{
    return odbcTargetFor(ConnectionString(oledb), options, drivers, override);
}

} // namespace

TEST(OdbcRouting, SqlServerStringsReachTheBestRegisteredDriver)
{
    const QString sql = sqlServerOleDbSqlAuth(QStringLiteral("srv\\inst"), QStringLiteral("Účty"),
                                              QStringLiteral("sa"), QStringLiteral("p}w"));
    const OdbcTarget freeTds
        = route(sql, { QStringLiteral("MariaDB Unicode"), QStringLiteral("FreeTDS") });
    EXPECT_EQ(freeTds.dialect, Dialect::SqlServer);
    EXPECT_EQ(freeTds.connectionString,
              QStringLiteral("DRIVER={FreeTDS};Server=srv\\inst;Database=Účty;UID=sa;PWD={p}w};"
                             "APP=Vorlan;TDS_Version=7.3;ClientCharset=UTF-8;"));
    // FreeTDS takes a braced value up to its first "};" as it stands, so a "}}" would arrive
    // doubled and a value holding "};" cannot be given at all; the standard doubles it.
    EXPECT_EQ(route(sqlServerOleDbSqlAuth(QStringLiteral("srv"), QString(), QStringLiteral("sa"),
                                          QStringLiteral("p}w")),
                    { QStringLiteral("ODBC Driver 18 for SQL Server") })
                  .connectionString,
              QStringLiteral("DRIVER={ODBC Driver 18 for SQL Server};Server=srv;UID=sa;PWD={p}}w};"
                             "APP=Vorlan;"));
    QString refused;
    try {
        route(sqlServerOleDbSqlAuth(QStringLiteral("srv"), QString(), QStringLiteral("sa"),
                                    QStringLiteral("tajné};x")),
              { QStringLiteral("FreeTDS") });
    } catch (const DataError &error) {
        refused = error.message();
    }
    EXPECT_EQ(
        refused,
        QStringLiteral("Hodnotu PWD nelze ovladači FreeTDS předat: obsahuje dvojici znaků „};“."));
    const OdbcTarget microsoft
        = route(sql,
                { QStringLiteral("FreeTDS"), QStringLiteral("ODBC Driver 17 for SQL Server"),
                  QStringLiteral("ODBC Driver 18 for SQL Server") });
    EXPECT_EQ(microsoft.driver, QStringLiteral("ODBC Driver 18 for SQL Server"));
    EXPECT_EQ(route(sql, { QStringLiteral("FreeTDS") }, QStringLiteral("My Driver")).driver,
              QStringLiteral("My Driver"));
    try {
        route(sql, { QStringLiteral("MariaDB Unicode") });
        FAIL() << "routed without a SQL Server driver";
    } catch (const DataError &error) {
        EXPECT_TRUE(error.message().contains(QStringLiteral("SQL Server")));
    }
}

TEST(OdbcRouting, SqlServerPortsWindowsLoginAndThePrompt)
{
    const OdbcTarget port
        = route(sqlServerNcl10WindowsAuth(QStringLiteral("10.0.0.5,1433"), QStringLiteral("db")),
                { QStringLiteral("FreeTDS") });
    EXPECT_EQ(port.connectionString,
              QStringLiteral("DRIVER={FreeTDS};Server=10.0.0.5;Port=1433;Database=db;"
                             "Trusted_Connection=Yes;APP=Vorlan;TDS_Version=7.3;"
                             "ClientCharset=UTF-8;"));
    ConnectOptions prompted;
    prompted.credentialsGiven = true;
    prompted.user = QStringLiteral("jan");
    prompted.password = QStringLiteral("{tajné}");
    const OdbcTarget login
        = route(sqlServerOleDbWindowsAuth(QStringLiteral("srv"), QString()),
                { QStringLiteral("ODBC Driver 17 for SQL Server") }, {}, prompted);
    EXPECT_EQ(login.connectionString,
              QStringLiteral("DRIVER={ODBC Driver 17 for SQL Server};Server=srv;UID=jan;"
                             "PWD={{tajné}}};APP=Vorlan;"));
}

TEST(OdbcRouting, MySqlTemplateReachesTheInstalledMariaDbDriver)
{
    const QString mysql
        = mySqlOdbc(QStringLiteral("127.0.0.1"), QStringLiteral("shop"), QStringLiteral("root"),
                    QStringLiteral("pw"), QStringLiteral("3306"), QString());
    ConnectOptions options;
    options.connectionTimeout = 30;
    const OdbcTarget target = route(
        mysql, { QStringLiteral("FreeTDS"), QStringLiteral("MariaDB Unicode") }, {}, options);
    EXPECT_EQ(target.dialect, Dialect::MySql);
    EXPECT_EQ(target.driver, QStringLiteral("MariaDB Unicode"));
    EXPECT_EQ(
        target.connectionString,
        QStringLiteral("DRIVER={MariaDB "
                       "Unicode};SERVER=127.0.0.1;DATABASE=shop;UID=root;PASSWORD=pw;PORT=3306;"
                       "OPTION=2;CONN_TIMEOUT=30;CHARSET=utf8mb4;"));
    EXPECT_TRUE(target.utf8Text);
    // A registered driver is taken as named; found rows are added to the options given.
    const OdbcTarget named = route(
        QStringLiteral("Provider=MSDASQL.1;Extended Properties=\"DRIVER={MySQL ODBC 8.0 "
                       "Unicode Driver};OPTION=3;CHARSET=latin2\";Initial Catalog=x"),
        { QStringLiteral("MySQL ODBC 8.0 Unicode Driver"), QStringLiteral("MariaDB Unicode") });
    EXPECT_EQ(named.connectionString,
              QStringLiteral("DRIVER={MySQL ODBC 8.0 Unicode Driver};OPTION=3;"
                             "CONN_TIMEOUT=15;CHARSET=utf8mb4;DATABASE=x;"));
    // Another character set is replaced: the program's text is Unicode.
    EXPECT_TRUE(named.utf8Text);
}

TEST(OdbcRouting, OdbcStringsWithBraces)
{
    const auto pairs = parseOdbcString(QStringLiteral("DRIVER={a;b}};c};PWD= x ;DSN=y"));
    ASSERT_EQ(pairs.size(), 3);
    EXPECT_EQ(pairs[0].second, QStringLiteral("a;b};c"));
    EXPECT_EQ(pairs[1].second, QStringLiteral("x"));
    EXPECT_EQ(joinOdbcString(pairs), QStringLiteral("DRIVER={a;b}};c};PWD=x;DSN=y;"));
    EXPECT_THROW(parseOdbcString(QStringLiteral("DRIVER={open")), DataError);
}
