#pragma once

#include "access/ConnectionString.h"
#include "access/Provider.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <utility>

namespace vrl::odbc {

// Which SQL the server speaks, for the few statements the provider writes itself.
enum class Dialect { SqlServer, MySql, Other };

// The ODBC connection string for an OLE DB connection string, and the dialect behind it.
struct OdbcTarget
{
    QString connectionString;
    Dialect dialect = Dialect::Other;
    QString driver;
    // The connection's character set is known to be UTF-8, so narrow text is UTF-8.
    bool utf8Text = false;
};

// Key-value pairs of an ODBC connection string; values may be in {braces} with "}}" for "}".
QVector<std::pair<QString, QString>> parseOdbcString(const QString &text);

// How a driver reads a value in braces: as the ODBC standard has it ("}}" is one "}"), or as
// FreeTDS does, which takes everything up to the first "};" as it stands.
enum class Braces { Standard, UpToBraceSemicolon };
// The pairs as a string the driver reads back into the same values. Throws DataError, naming
// the key but not the value, for a value that FreeTDS cannot be given (it holds "};").
QString joinOdbcString(const QVector<std::pair<QString, QString>> &pairs,
                       Braces braces = Braces::Standard);

// SQL Server strings (SQLOLEDB, SQLNCLI, MSOLEDBSQL) go to a SQL Server driver: the one named
// by override, else the first registered of "ODBC Driver 18 for SQL Server", "ODBC Driver 17
// for SQL Server", "FreeTDS". MSDASQL strings take Extended Properties as the ODBC string; a
// driver that is not registered but names MySQL or MariaDB resolves to the registered one.
// Throws DataError when no SQL Server driver is registered.
OdbcTarget odbcTargetFor(const ConnectionString &string, const ConnectOptions &options,
                         const QStringList &registeredDrivers,
                         const QString &sqlServerOverride = {});

bool isSqlServerProvider(const QString &provider);
bool isOdbcBridgeProvider(const QString &provider);

} // namespace vrl::odbc
