#include "access/ConnectionTemplates.h"

namespace vrl {

namespace {

bool needsQuotes(const QString &value)
{
    for (const QChar c : value) {
        if (c == QLatin1Char(';') || c == QLatin1Char('"') || c == QLatin1Char('\'')
            || c == QLatin1Char('{') || c == QLatin1Char('}'))
            return true;
    }
    return false;
}

// A value of the outer string: in double quotes, inner ones doubled, when it would otherwise
// end early or lose a quote.
QString outer(const QString &value)
{
    if (!needsQuotes(value))
        return value;
    QString quoted = value;
    return QLatin1Char('"') + quoted.replace(QLatin1Char('"'), QLatin1String("\"\""))
        + QLatin1Char('"');
}

// A value of the ODBC string: in braces, a closing brace doubled.
QString odbc(const QString &value)
{
    if (!needsQuotes(value))
        return value;
    QString braced = value;
    return QLatin1Char('{') + braced.replace(QLatin1Char('}'), QLatin1String("}}"))
        + QLatin1Char('}');
}

QString sqlAuthHead(const QString &login, const QString &password)
{
    return QStringLiteral("Persist Security Info=true;User ID=") + outer(login)
        + QStringLiteral(";Password=") + outer(password) + QStringLiteral(";");
}

const QString kWindowsAuthHead
    = QStringLiteral("Persist Security Info=false;Integrated Security=SSPI;");

QString oleDbTail(const QString &server, const QString &database)
{
    return QStringLiteral("Provider=SQLOLEDB.1;Initial Catalog=") + outer(database)
        + QStringLiteral(";Data Source=") + outer(server)
        + QStringLiteral(";Packet Size=4096;Auto Translate=False");
}

QString ncl10Tail(const QString &server, const QString &database)
{
    return QStringLiteral("Provider=SQLNCLI10.1;Initial Catalog=") + outer(database)
        + QStringLiteral(";Data Source=") + outer(server)
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
    QString properties = QStringLiteral("DRIVER=MySQL ODBC 5.3 ANSI Driver;SERVER=") + odbc(server)
        + QStringLiteral(";DATABASE=") + odbc(database) + QStringLiteral(";UID=") + odbc(login)
        + QStringLiteral(";PASSWORD=") + odbc(password) + QStringLiteral(";PORT=") + odbc(port);
    // The ODBC part sits in the double quotes of the outer string.
    properties.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QStringLiteral("Provider=MSDASQL.1;Persist Security Info=False;Extended Properties=\"")
        + properties + QStringLiteral("\";Initial Catalog=") + outer(defaultCatalog);
}

QString excelWorkbook(const QString &fullFileName)
{
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + outer(fullFileName)
        + QStringLiteral(";Extended Properties=Excel 8.0;Persist Security Info=False");
}

} // namespace vrl
