// The MariaDB server that ./dev test starts, reached through the real ODBC driver manager
// and MariaDB Connector/ODBC: the ground every provider test stands on.
#include <QByteArray>

#include <gtest/gtest.h>

#include <sql.h>
#include <sqlext.h>

#include <string>

namespace {

std::string diagnostics(SQLSMALLINT type, SQLHANDLE handle)
{
    std::string all;
    SQLCHAR state[6];
    SQLCHAR text[1024];
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    for (SQLSMALLINT i = 1;
         SQL_SUCCEEDED(SQLGetDiagRec(type, handle, i, state, &native, text, sizeof text, &length));
         ++i)
        all += std::string(reinterpret_cast<char *>(state)) + ": " + reinterpret_cast<char *>(text)
            + "\n";
    return all;
}

} // namespace

TEST(TestServer, AnswersThroughTheMariaDbOdbcDriver)
{
    const QByteArray odbc = qgetenv("VORLAN_TEST_ODBC");
    if (odbc.isEmpty())
        GTEST_SKIP() << "VORLAN_TEST_ODBC is not set; ./dev test sets it";

    SQLHENV env = SQL_NULL_HENV;
    ASSERT_TRUE(SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)));
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLHDBC dbc = SQL_NULL_HDBC;
    ASSERT_TRUE(SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc)));
    const SQLRETURN connected = SQLDriverConnect(
        dbc, nullptr, reinterpret_cast<SQLCHAR *>(const_cast<char *>(odbc.constData())), SQL_NTS,
        nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    ASSERT_TRUE(SQL_SUCCEEDED(connected)) << diagnostics(SQL_HANDLE_DBC, dbc);

    SQLHSTMT stmt = SQL_NULL_HSTMT;
    ASSERT_TRUE(SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt)));
    ASSERT_TRUE(SQL_SUCCEEDED(SQLExecDirect(stmt,
                                            reinterpret_cast<SQLCHAR *>(const_cast<char *>(
                                                "SELECT DATABASE(), @@character_set_server")),
                                            SQL_NTS)))
        << diagnostics(SQL_HANDLE_STMT, stmt);
    ASSERT_TRUE(SQL_SUCCEEDED(SQLFetch(stmt)));
    char database[64] = {};
    char charset[64] = {};
    SQLLEN length = 0;
    SQLGetData(stmt, 1, SQL_C_CHAR, database, sizeof database, &length);
    SQLGetData(stmt, 2, SQL_C_CHAR, charset, sizeof charset, &length);
    EXPECT_STREQ(database, "vorlan_test");
    EXPECT_STREQ(charset, "utf8mb4");

    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
}
