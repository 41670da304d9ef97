#include "access/odbc/OdbcConnectionString.h"

#include "access/ConnectionString.h"
#include "access/DataError.h"

namespace vrl::odbc {

namespace {

bool containsKey(const QVector<std::pair<QString, QString>> &pairs, const QString &key)
{
    for (const auto &pair : pairs) {
        if (pair.first.compare(key, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

void removeKeys(QVector<std::pair<QString, QString>> &pairs,
                std::initializer_list<const char *> keys)
{
    pairs.removeIf([&](const auto &pair) {
        for (const char *key : keys) {
            if (pair.first.compare(QLatin1String(key), Qt::CaseInsensitive) == 0)
                return true;
        }
        return false;
    });
}

QString valueOf(const QVector<std::pair<QString, QString>> &pairs, const QString &key)
{
    for (const auto &pair : pairs) {
        if (pair.first.compare(key, Qt::CaseInsensitive) == 0)
            return pair.second;
    }
    return QString();
}

void setValue(QVector<std::pair<QString, QString>> &pairs, const QString &key, const QString &value)
{
    for (auto &pair : pairs) {
        if (pair.first.compare(key, Qt::CaseInsensitive) == 0) {
            pair.second = value;
            return;
        }
    }
    pairs.push_back({ key, value });
}

bool namesMySql(const QString &driver)
{
    return driver.contains(QLatin1String("mysql"), Qt::CaseInsensitive)
        || driver.contains(QLatin1String("mariadb"), Qt::CaseInsensitive);
}

QString registeredName(const QStringList &registered, const QString &wanted)
{
    for (const QString &name : registered) {
        if (name.compare(wanted, Qt::CaseInsensitive) == 0)
            return name;
    }
    return QString();
}

OdbcTarget sqlServerTarget(const ConnectionString &string, const ConnectOptions &options,
                           const QStringList &registered, const QString &override)
{
    OdbcTarget target;
    target.dialect = Dialect::SqlServer;
    target.driver = override;
    if (target.driver.isEmpty()) {
        for (const char *preferred :
             { "ODBC Driver 18 for SQL Server", "ODBC Driver 17 for SQL Server", "FreeTDS" }) {
            target.driver = registeredName(registered, QLatin1String(preferred));
            if (!target.driver.isEmpty())
                break;
        }
    }
    if (target.driver.isEmpty())
        throw DataError(QStringLiteral("Není nainstalován žádný ovladač ODBC pro SQL Server "
                                       "(ODBC Driver 18 nebo 17 for SQL Server, FreeTDS)."));
    const bool freeTds = target.driver.contains(QLatin1String("FreeTDS"), Qt::CaseInsensitive);
    QVector<std::pair<QString, QString>> pairs { { QStringLiteral("DRIVER"), target.driver } };
    const QString source = string.value(QStringLiteral("Data Source"));
    if (freeTds && source.contains(QLatin1Char(','))) {
        pairs.push_back(
            { QStringLiteral("Server"), source.section(QLatin1Char(','), 0, 0).trimmed() });
        pairs.push_back({ QStringLiteral("Port"), source.section(QLatin1Char(','), 1).trimmed() });
    } else {
        pairs.push_back({ QStringLiteral("Server"), source });
    }
    const QString database = string.value(QStringLiteral("Initial Catalog"));
    if (!database.isEmpty())
        pairs.push_back({ QStringLiteral("Database"), database });
    if (options.credentialsGiven) {
        pairs.push_back({ QStringLiteral("UID"), options.user });
        pairs.push_back({ QStringLiteral("PWD"), options.password });
    } else if (string.value(QStringLiteral("Integrated Security"))
                   .compare(QLatin1String("SSPI"), Qt::CaseInsensitive)
               == 0) {
        pairs.push_back({ QStringLiteral("Trusted_Connection"), QStringLiteral("Yes") });
    } else {
        pairs.push_back({ QStringLiteral("UID"), string.value(QStringLiteral("User ID")) });
        pairs.push_back({ QStringLiteral("PWD"), string.value(QStringLiteral("Password")) });
    }
    // The server lists the program by this name among its sessions.
    pairs.push_back({ QStringLiteral("APP"), QStringLiteral("Vorlan") });
    if (freeTds) {
        pairs.push_back({ QStringLiteral("TDS_Version"), QStringLiteral("7.3") });
        pairs.push_back({ QStringLiteral("ClientCharset"), QStringLiteral("UTF-8") });
    }
    target.connectionString
        = joinOdbcString(pairs, freeTds ? Braces::UpToBraceSemicolon : Braces::Standard);
    return target;
}

OdbcTarget bridgeTarget(const ConnectionString &string, const ConnectOptions &options,
                        const QStringList &registered)
{
    OdbcTarget target;
    auto pairs = parseOdbcString(string.value(QStringLiteral("Extended Properties")));
    target.driver = valueOf(pairs, QStringLiteral("DRIVER"));
    if (!target.driver.isEmpty() && registeredName(registered, target.driver).isEmpty()
        && namesMySql(target.driver)) {
        // The MySQL driver a string names is often not the one installed here.
        QString resolved;
        for (const char *family : { "MariaDB", "MySQL" }) {
            for (const QString &name : registered) {
                if (resolved.isEmpty() && name.contains(QLatin1String(family), Qt::CaseInsensitive))
                    resolved = name;
            }
        }
        if (!resolved.isEmpty()) {
            target.driver = resolved;
            setValue(pairs, QStringLiteral("DRIVER"), resolved);
        }
    }
    if (namesMySql(target.driver)) {
        target.dialect = Dialect::MySql;
        // Found rows, not changed rows: an UPDATE that keeps a value still counts its row.
        bool ok = false;
        const qlonglong option = valueOf(pairs, QStringLiteral("OPTION")).toLongLong(&ok);
        setValue(pairs, QStringLiteral("OPTION"), QString::number((ok ? option : 0) | 2));
        if (!containsKey(pairs, QStringLiteral("CONN_TIMEOUT")) && options.connectionTimeout > 0)
            setValue(pairs, QStringLiteral("CONN_TIMEOUT"),
                     QString::number(options.connectionTimeout));
        // The program's text is Unicode: any other client character set only loses
        // characters (the driver even garbles latin2 on its way to UTF-16), so it is replaced.
        removeKeys(pairs, { "CHARSET" });
        pairs.push_back({ QStringLiteral("CHARSET"), QStringLiteral("utf8mb4") });
        target.utf8Text = true;
    } else if (target.driver.contains(QLatin1String("SQL Server"), Qt::CaseInsensitive)
               || target.driver.contains(QLatin1String("FreeTDS"), Qt::CaseInsensitive)) {
        target.dialect = Dialect::SqlServer;
    }
    const QString catalog = string.value(QStringLiteral("Initial Catalog"));
    if (!catalog.isEmpty() && valueOf(pairs, QStringLiteral("DATABASE")).isEmpty())
        setValue(pairs, QStringLiteral("DATABASE"), catalog);
    if (options.credentialsGiven) {
        removeKeys(pairs, { "UID", "USER", "PWD", "PASSWORD" });
        pairs.push_back({ QStringLiteral("UID"), options.user });
        pairs.push_back({ QStringLiteral("PWD"), options.password });
    }
    target.connectionString = joinOdbcString(pairs);
    return target;
}

} // namespace

QVector<std::pair<QString, QString>> parseOdbcString(const QString &text)
{
    QVector<std::pair<QString, QString>> pairs;
    qsizetype i = 0;
    const qsizetype n = text.size();
    // Messages name a piece by its number, never by its text, which may hold a password.
    int piece = 0;
    while (i < n) {
        ++piece;
        const qsizetype equals = text.indexOf(QLatin1Char('='), i);
        const qsizetype semicolon = text.indexOf(QLatin1Char(';'), i);
        if (equals < 0 || (semicolon >= 0 && semicolon < equals)) {
            if (!text.mid(i, semicolon < 0 ? n - i : semicolon - i).trimmed().isEmpty())
                throw DataError(
                    QStringLiteral("Chybný řetězec ODBC: %1. část nemá tvar klíč=hodnota")
                        .arg(piece));
            if (semicolon < 0)
                break;
            i = semicolon + 1;
            continue;
        }
        const QString key = text.mid(i, equals - i).trimmed();
        i = equals + 1;
        while (i < n && text[i] == QLatin1Char(' '))
            ++i;
        QString value;
        if (i < n && text[i] == QLatin1Char('{')) {
            ++i;
            const std::optional<QString> enclosed = readEnclosedValue(text, i, QLatin1Char('}'));
            if (!enclosed)
                throw DataError(
                    QStringLiteral("Chybný řetězec ODBC: %1. část má neuzavřenou složenou závorku")
                        .arg(piece));
            value = *enclosed;
            const qsizetype end = text.indexOf(QLatin1Char(';'), i);
            i = end < 0 ? n : end + 1;
        } else {
            const qsizetype end = text.indexOf(QLatin1Char(';'), i);
            value = text.mid(i, end < 0 ? n - i : end - i).trimmed();
            i = end < 0 ? n : end + 1;
        }
        pairs.push_back({ key, value });
    }
    return pairs;
}

QString joinOdbcString(const QVector<std::pair<QString, QString>> &pairs, Braces braces)
{
    QString text;
    for (const auto &[key, value] : pairs) {
        const bool braced = value.contains(QLatin1Char(';')) || value.contains(QLatin1Char('{'))
            || value.contains(QLatin1Char('}'))
            // The reader trims every kind of white space off a value without braces: a tab,
            // a line break or a no-break space at either end would be lost.
            || (!value.isEmpty() && (value.front().isSpace() || value.back().isSpace()))
            || key.compare(QLatin1String("DRIVER"), Qt::CaseInsensitive) == 0;
        QString written = value;
        if (braced && braces == Braces::UpToBraceSemicolon) {
            // Measured on the wire with FreeTDS 1.3: "}}" arrives as "}}", and a value ends at
            // its first "};", which no writing can carry.
            if (value.contains(QLatin1String("};")))
                throw DataError(QStringLiteral("Hodnotu %1 nelze ovladači FreeTDS předat: "
                                               "obsahuje dvojici znaků „};“.")
                                    .arg(key));
            written = QLatin1Char('{') + written + QLatin1Char('}');
        } else if (braced) {
            written = QLatin1Char('{') + written.replace(QLatin1Char('}'), QLatin1String("}}"))
                + QLatin1Char('}');
        }
        text += key + QLatin1Char('=') + written + QLatin1Char(';');
    }
    return text;
}

bool isSqlServerProvider(const QString &provider)
{
    for (const char *prefix : { "SQLOLEDB", "SQLNCLI", "MSOLEDBSQL" }) {
        if (provider.startsWith(QLatin1String(prefix), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

bool isOdbcBridgeProvider(const QString &provider)
{
    return provider.startsWith(QLatin1String("MSDASQL"), Qt::CaseInsensitive);
}

OdbcTarget odbcTargetFor(const ConnectionString &string, const ConnectOptions &options,
                         const QStringList &registeredDrivers, const QString &sqlServerOverride)
{
    const QString provider = string.value(QStringLiteral("Provider"));
    if (isSqlServerProvider(provider))
        return sqlServerTarget(string, options, registeredDrivers, sqlServerOverride);
    return bridgeTarget(string, options, registeredDrivers);
}

} // namespace vrl::odbc
