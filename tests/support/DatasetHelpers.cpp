#include "DatasetHelpers.h"

#include "access/DataError.h"

namespace vrl::test {

std::unique_ptr<Connection> connectTo(const QString &connectionString)
{
    auto connection = std::make_unique<Connection>();
    connection->setConnectionString(connectionString);
    connection->open();
    return connection;
}

QString failureOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const DataError &error) {
        return error.message();
    }
    return QString();
}

QString failureOpening(const QString &connectionString)
{
    Connection connection;
    connection.setConnectionString(connectionString);
    const QString failure = failureOf([&] { connection.open(); });
    // A connection that failed and still calls itself connected counts as open: no message,
    // so that every test expecting one fails.
    return connection.isConnected() ? QString() : failure;
}

std::unique_ptr<Dataset> openTable(Connection &connection, const QString &table)
{
    auto data = std::make_unique<Dataset>(Dataset::Kind::Table);
    data->setConnection(&connection);
    data->setCommandText(table);
    data->open();
    return data;
}

std::unique_ptr<Dataset> statementOn(Connection &connection, const QString &sql)
{
    auto data = std::make_unique<Dataset>(Dataset::Kind::Query);
    data->setConnection(&connection);
    data->setCommandText(sql);
    return data;
}

std::unique_ptr<Dataset> openQuery(Connection &connection, const QString &sql)
{
    auto data = statementOn(connection, sql);
    data->open();
    return data;
}

} // namespace vrl::test
