#pragma once

#include "access/Connection.h"
#include "access/Dataset.h"

#include <QString>

#include <functional>
#include <memory>

namespace vrl::test {

// The connection and dataset steps that provider tests repeat, in one place (Qt Core only).

// A connection by its connection string, open; throws DataError as Connection::open does.
std::unique_ptr<Connection> connectTo(const QString &connectionString);
// The message of the DataError an action throws; empty when it throws none.
QString failureOf(const std::function<void()> &action);
// The message with which a connection by this string fails to open; empty when it opens, or
// when it failed but calls itself connected all the same.
QString failureOpening(const QString &connectionString);
// A table dataset on a connection, open.
std::unique_ptr<Dataset> openTable(Connection &connection, const QString &table);
// A statement dataset on a connection, not run yet.
std::unique_ptr<Dataset> statementOn(Connection &connection, const QString &sql);
// A statement dataset on a connection, open with its rows.
std::unique_ptr<Dataset> openQuery(Connection &connection, const QString &sql);

} // namespace vrl::test
