#include "data/access/ConnectionTemplates.h"

namespace vrl {

namespace {

QString sqlAuthHead(const QString &login, const QString &password)
{
    return QStringLiteral("Persist Security Info=true;User ID=") + login
        + QStringLiteral(";Password=") + password + QStringLiteral(";");
}

const QString kWindowsAuthHead
    = QStringLiteral("Persist Security Info=false;Integrated Security=SSPI;");

QString oleDbTail(const QString &server, const QString &database)
{
    return QStringLiteral("Provider=SQLOLEDB.1;Initial Catalog=") + database
        + QStringLiteral(";Data Source=") + server
        + QStringLiteral(";Packet Size=4096;Auto Translate=False");
}

QString ncl10Tail(const QString &server, const QString &database)
{
    return QStringLiteral("Provider=SQLNCLI10.1;Initial Catalog=") + database
        + QStringLiteral(";Data Source=") + server
        + QStringLiteral(";Initial File Name=\"\";Server SPN=\"\";Auto Translate=False");
}

} // namespace

QString sqlServerOleDbWindowsAuth(const QString &server, const QString &database)
{
    return kWindowsAuthHead + oleDbTail(server, database);
}

QString sqlServerOleDbSqlAuth(const QString &server, const QString &database, const QString &login,
                              const QString &password)
{
    return sqlAuthHead(login, password) + oleDbTail(server, database);
}

QString sqlServerNcl10WindowsAuth(const QString &server, const QString &database)
{
    return kWindowsAuthHead + ncl10Tail(server, database);
}

QString sqlServerNcl10SqlAuth(const QString &server, const QString &database, const QString &login,
                              const QString &password)
{
    return sqlAuthHead(login, password) + ncl10Tail(server, database);
}

QString mySqlOdbc(const QString &server, const QString &database, const QString &login,
                  const QString &password, const QString &port, const QString &defaultCatalog)
{
    return QStringLiteral("Provider=MSDASQL.1;Persist Security Info=False;Extended Properties=\""
                          "DRIVER=MySQL ODBC 5.3 ANSI Driver;SERVER=")
        + server + QStringLiteral(";DATABASE=") + database + QStringLiteral(";UID=") + login
        + QStringLiteral(";PASSWORD=") + password + QStringLiteral(";PORT=") + port
        + QStringLiteral("\";Initial Catalog=") + defaultCatalog;
}

QString excelWorkbook(const QString &fullFileName)
{
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + fullFileName
        + QStringLiteral(";Extended Properties=Excel 8.0;Persist Security Info=False");
}

} // namespace vrl
