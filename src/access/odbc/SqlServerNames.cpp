#include "access/odbc/SqlServerNames.h"

#include <QStringList>

namespace vrl::odbc {

namespace {

// A part as the listed form writes it: plain, or in brackets where plain would mislead.
QString listedPart(const QString &part)
{
    if (part.contains(QLatin1Char('.')) || part.startsWith(QLatin1Char('['))
        || part.trimmed().size() != part.size() || part.isEmpty())
        return bracketed(part);
    return part;
}

// The parts of a listed name at its dots outside brackets, each unbracketed; empty when a
// bracket is left open.
QStringList splitListed(const QString &listed)
{
    QStringList parts;
    QString part;
    bool inBrackets = false;
    bool wasBracketed = false;
    for (qsizetype i = 0; i < listed.size(); ++i) {
        const QChar c = listed[i];
        if (inBrackets) {
            if (c == QLatin1Char(']')) {
                if (i + 1 < listed.size() && listed[i + 1] == QLatin1Char(']')) {
                    part += c;
                    ++i;
                } else {
                    inBrackets = false;
                }
            } else {
                part += c;
            }
        } else if (c == QLatin1Char('[') && part.isEmpty() && !wasBracketed) {
            inBrackets = wasBracketed = true;
        } else if (c == QLatin1Char('.')) {
            parts << part;
            part.clear();
            wasBracketed = false;
        } else {
            if (wasBracketed) // text after a closing bracket: no listed form
                return {};
            part += c;
        }
    }
    if (inBrackets)
        return {};
    parts << part;
    return parts;
}

} // namespace

QString bracketed(const QString &name)
{
    QString doubled = name;
    return QLatin1Char('[') + doubled.replace(QLatin1Char(']'), QStringLiteral("]]"))
        + QLatin1Char(']');
}

QString listedTableName(const QString &schema, const QString &name, const QString &defaultSchema)
{
    // Schema names compare as the server's catalogue compares them, which is without regard to
    // case on almost every server.
    if (schema.isEmpty() || schema.compare(defaultSchema, Qt::CaseInsensitive) == 0)
        return listedPart(name);
    return listedPart(schema) + QLatin1Char('.') + listedPart(name);
}

TableParts tablePartsOf(const QString &listed)
{
    const QStringList parts = splitListed(listed);
    if (parts.size() == 1)
        return { QString(), parts[0] };
    if (parts.size() == 2 && !parts[0].isEmpty() && !parts[1].isEmpty())
        return { parts[0], parts[1] };
    return { QString(), listed };
}

QString bracketedTableName(const QString &listed)
{
    const TableParts parts = tablePartsOf(listed);
    if (parts.schema.isEmpty())
        return bracketed(parts.name);
    return bracketed(parts.schema) + QLatin1Char('.') + bracketed(parts.name);
}

} // namespace vrl::odbc
