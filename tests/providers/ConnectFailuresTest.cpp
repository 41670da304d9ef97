// Connecting through the real drivers: the MySQL template, and the failures a user meets.
#include "support/DatasetHelpers.h"

#include "access/Connection.h"
#include "access/ConnectionTemplates.h"
#include "access/DataError.h"
#include "access/Dataset.h"

#include "support/GeneratedWorkbook.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>

using namespace vrl;
using namespace vrl::test;

namespace {

QString port()
{
    return qEnvironmentVariable("VORLAN_TEST_MARIADB_PORT");
}

// A port on 127.0.0.1 where nothing listens.
QString closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 free = probe.serverPort();
    probe.close();
    return QString::number(free);
}

} // namespace

TEST(ConnectMariaDb, TheMySqlTemplateConnectsThroughTheInstalledDriver)
{
    if (port().isEmpty())
        GTEST_SKIP() << "no MariaDB server (./dev test provides one)";
    Connection connection;
    connection.setConnectionString(
        mySqlOdbc(QStringLiteral("127.0.0.1"), QStringLiteral("vorlan_test"),
                  QStringLiteral("vorlan"), QStringLiteral("vorlan"), port(), QString()));
    connection.open();
    EXPECT_TRUE(connection.isConnected());
    connection.tableNames(); // lists the test database only; the call itself must work
}

TEST(ConnectMariaDb, PasswordsWithQuotesAndSemicolonsArriveWholeAndAreNeverShown)
{
    if (port().isEmpty())
        GTEST_SKIP() << "no MariaDB server (./dev test provides one)";
    const QString password = QStringLiteral("a;b\"c{d}e'");
    {
        Connection admin;
        admin.setConnectionString(mySqlOdbc(QStringLiteral("127.0.0.1"),
                                            QStringLiteral("vorlan_test"), QStringLiteral("vorlan"),
                                            QStringLiteral("vorlan"), port(), QString()));
        admin.open();
        admin.provider().run(QStringLiteral("DROP USER IF EXISTS 'vorlan_quotes'@'127.0.0.1'"));
        admin.provider().run(
            QStringLiteral("CREATE USER 'vorlan_quotes'@'127.0.0.1' IDENTIFIED BY 'a;b\"c{d}e'''"));
    }
    // The new user may see no database (granting needs more than the test user holds), but
    // logging in is what proves the password.
    Connection connection;
    connection.setConnectionString(mySqlOdbc(QStringLiteral("127.0.0.1"), QString(),
                                             QStringLiteral("vorlan_quotes"), password, port(),
                                             QString()));
    connection.open();
    Dataset data(Dataset::Kind::Query);
    data.setConnection(&connection);
    data.setCommandText(QStringLiteral("SELECT CURRENT_USER() AS u"));
    data.open();
    EXPECT_EQ(data.field(0).text(), QStringLiteral("vorlan_quotes@127.0.0.1"));
    connection.close();

    // A wrong password of the same kind is refused by the server, and the message leaves it out.
    connection.setConnectionString(mySqlOdbc(
        QStringLiteral("127.0.0.1"), QStringLiteral("vorlan_test"), QStringLiteral("vorlan_quotes"),
        QStringLiteral("x;tajné\"heslo{"), port(), QString()));
    const QString message = failureOf([&] { connection.open(); });
    EXPECT_TRUE(message.contains(QStringLiteral("Access denied"))) << message.toStdString();
    EXPECT_FALSE(message.contains(QStringLiteral("heslo"))) << message.toStdString();
}

TEST(ConnectWorkbook, APathWithASemicolonOpens)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("a;b 'c'")));
    const QString path = dir.filePath(QStringLiteral("a;b 'c'/kniha;1.xlsx"));
    test::GeneratedWorkbook book;
    book.addSheet(QStringLiteral("List1"),
                  QStringLiteral("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>x</t></is></c>"
                                 "</row><row r=\"2\"><c r=\"A2\"><v>1</v></c></row>"));
    book.save(path);
    Connection connection;
    connection.setConnectionString(excelWorkbook(path));
    connection.open();
    EXPECT_EQ(connection.tableNames().size(), 1);
}

TEST(ConnectMariaDb, WrongPasswordUnknownDatabaseAndClosedPortSayWhy)
{
    if (port().isEmpty())
        GTEST_SKIP() << "no MariaDB server (./dev test provides one)";
    Connection connection;
    connection.setConnectionString(
        mySqlOdbc(QStringLiteral("127.0.0.1"), QStringLiteral("vorlan_test"),
                  QStringLiteral("vorlan"), QStringLiteral("špatně"), port(), QString()));
    EXPECT_TRUE(failureOf([&] { connection.open(); }).contains(QStringLiteral("Access denied")));
    connection.setConnectionString(mySqlOdbc(QStringLiteral("127.0.0.1"), QStringLiteral("nikde"),
                                             QStringLiteral("vorlan"), QStringLiteral("vorlan"),
                                             port(), QString()));
    EXPECT_TRUE(failureOf([&] { connection.open(); }).contains(QStringLiteral("nikde")));

    connection.setConnectionTimeout(5);
    connection.setConnectionString(
        mySqlOdbc(QStringLiteral("127.0.0.1"), QStringLiteral("vorlan_test"),
                  QStringLiteral("vorlan"), QStringLiteral("vorlan"), closedPort(), QString()));
    QElapsedTimer clock;
    clock.start();
    const QString message = failureOf([&] { connection.open(); });
    EXPECT_TRUE(message.contains(QStringLiteral("Can't connect"))) << message.toStdString();
    EXPECT_LT(clock.elapsed(), 6000);
    EXPECT_FALSE(connection.isConnected());
}

TEST(ConnectMariaDb, AConnectionLostDuringAQueryLeavesTheDatasetClosed)
{
    if (port().isEmpty())
        GTEST_SKIP() << "no MariaDB server (./dev test provides one)";
    const QString string
        = mySqlOdbc(QStringLiteral("127.0.0.1"), QStringLiteral("vorlan_test"),
                    QStringLiteral("vorlan"), QStringLiteral("vorlan"), port(), QString());
    Connection connection;
    connection.setConnectionString(string);
    connection.open();
    Dataset data(Dataset::Kind::Query);
    data.setConnection(&connection);
    data.setCommandText(QStringLiteral("SELECT CONNECTION_ID() AS id"));
    data.open();
    const QString id = data.field(0).text();
    ASSERT_TRUE(data.isActive());

    // Another session ends this one while it waits for its rows.
    std::thread killer([&string, id] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        Connection admin;
        admin.setConnectionString(string);
        admin.open();
        admin.provider().run(QStringLiteral("KILL ") + id);
    });
    data.setCommandText(QStringLiteral("SELECT SLEEP(10) AS s, 1 AS one"));
    QElapsedTimer clock;
    clock.start();
    EXPECT_THROW(data.executeAndOpenIfRows(), DataError);
    killer.join();
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_FALSE(data.isActive());
    EXPECT_EQ(data.recordCount(), 0);
}

TEST(ConnectMariaDb, TheCommandTimeOutEndsALongStatement)
{
    if (port().isEmpty())
        GTEST_SKIP() << "no MariaDB server (./dev test provides one)";
    Connection connection;
    connection.setCommandTimeout(1);
    connection.setConnectionString(
        mySqlOdbc(QStringLiteral("127.0.0.1"), QStringLiteral("vorlan_test"),
                  QStringLiteral("vorlan"), QStringLiteral("vorlan"), port(), QString()));
    connection.open();
    Dataset data(Dataset::Kind::Query);
    data.setConnection(&connection);
    data.setCommandText(
        QStringLiteral("SELECT SUM(a.seq * b.seq) AS s FROM seq_1_to_100000 a, seq_1_to_100000 b"));
    QElapsedTimer clock;
    clock.start();
    EXPECT_THROW(data.open(), DataError);
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_FALSE(data.isActive());
    // The connection stays usable after the statement was stopped.
    data.setCommandText(QStringLiteral("SELECT 1 AS one"));
    data.open();
    EXPECT_EQ(data.field(0).text(), QStringLiteral("1"));
}

TEST(ConnectSqlServer, AClosedPortGivesTheDriversOwnMessage)
{
    Connection connection;
    connection.setConnectionTimeout(5);
    connection.setConnectionString(
        sqlServerOleDbSqlAuth(QStringLiteral("127.0.0.1,") + closedPort(), QStringLiteral("master"),
                              QStringLiteral("sa"), QStringLiteral("x")));
    QElapsedTimer clock;
    clock.start();
    const QString message = failureOf([&] { connection.open(); });
    EXPECT_FALSE(message.isEmpty());
    // FreeTDS: "[FreeTDS][SQL Server]Unable to connect: Adaptive Server is unavailable ..."
    EXPECT_TRUE(message.contains(QStringLiteral("SQLSTATE 08"))) << message.toStdString();
    EXPECT_LT(clock.elapsed(), 8000);
}

TEST(ConnectMariaDb, CzechTextReadsRightInAnyConnectionCharacterSet)
{
    if (port().isEmpty())
        GTEST_SKIP() << "no MariaDB server (./dev test provides one)";
    for (const char *charset : { "", ";CHARSET=utf8mb4", ";CHARSET=latin2" }) {
        Connection connection;
        connection.setConnectionString(QStringLiteral("Provider=MSDASQL.1;Extended Properties=\"")
                                       + qEnvironmentVariable("VORLAN_TEST_ODBC")
                                       + QString::fromLatin1(charset) + QLatin1Char('"'));
        connection.open();
        Dataset data(Dataset::Kind::Query);
        data.setConnection(&connection);
        data.setCommandText(QStringLiteral("SELECT 'Žluťoučký kůň' AS t"));
        data.open();
        EXPECT_EQ(data.field(0).text(), QStringLiteral("Žluťoučký kůň")) << charset;
    }
}
