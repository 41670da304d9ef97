#pragma once

#include <QString>

namespace vrl {

// Which SQL Server provider a connection string is built for.
enum class ProviderChoice { OleDb = 0, Ncl10 = 1 };

// The connection strings that the connection dialogs and the workbook choice hand to a
// connection. Values go in as typed or chosen: nothing is trimmed, and an empty value leaves
// its place empty. A value holding ; " ' { or } is quoted so that it arrives whole: in the
// outer string in double quotes (inner ones doubled), in the ODBC part of the MySQL string in
// braces (a closing brace doubled).

QString sqlServerOleDbWindowsAuth(const QString &server, const QString &database);
QString sqlServerOleDbSqlAuth(const QString &server, const QString &database, const QString &login,
                              const QString &password);
QString sqlServerNcl10WindowsAuth(const QString &server, const QString &database);
QString sqlServerNcl10SqlAuth(const QString &server, const QString &database, const QString &login,
                              const QString &password);
QString mySqlOdbc(const QString &server, const QString &database, const QString &login,
                  const QString &password, const QString &port, const QString &defaultCatalog);
QString excelWorkbook(const QString &fullFileName);

} // namespace vrl
