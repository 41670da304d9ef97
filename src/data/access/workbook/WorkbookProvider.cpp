#include "data/access/workbook/WorkbookProvider.h"

#include "data/access/DataError.h"
#include "data/access/workbook/WorkbookFile.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace vrl {

using namespace workbook;

namespace {

QString sqlType(FieldType type)
{
    switch (type) {
    case FieldType::Double:
        return QStringLiteral("DOUBLE");
    case FieldType::DateTime:
        return QStringLiteral("DATETIME");
    case FieldType::Bool:
        return QStringLiteral("BOOLEAN");
    default:
        return QStringLiteral("TEXT");
    }
}

} // namespace

QString withoutTop(const QString &statement)
{
    static const QRegularExpression top(
        QStringLiteral("^(\\s*SELECT\\s+(?:DISTINCT\\s+)?)TOP\\s+(\\d+)\\s+"),
        QRegularExpression::CaseInsensitiveOption);
    const auto match = top.match(statement);
    if (!match.hasMatch())
        return statement;
    QString rest = statement.mid(match.capturedEnd()).trimmed();
    while (rest.endsWith(QLatin1Char(';')))
        rest.chop(1);
    return match.captured(1) + rest + QStringLiteral(" LIMIT ") + match.captured(2);
}

bool WorkbookProvider::handles(const ConnectionString &string)
{
    const QString provider = string.value(QStringLiteral("Provider"));
    const bool engine
        = provider.startsWith(QLatin1String("Microsoft.Jet.OLEDB"), Qt::CaseInsensitive)
        || provider.startsWith(QLatin1String("Microsoft.ACE.OLEDB"), Qt::CaseInsensitive);
    return engine
        && string.value(QStringLiteral("Extended Properties"))
               .contains(QLatin1String("Excel"), Qt::CaseInsensitive);
}

void WorkbookProvider::open(const ConnectionString &string, const ConnectOptions &)
{
    close();
    const QString path = string.value(QStringLiteral("Data Source"));
    if (path.isEmpty())
        throw DataError(
            QStringLiteral("V připojovacím řetězci chybí Data Source (soubor sešitu)."));
    const WorkbookData book = readWorkbook(path);
    std::vector<WorkbookTable> tables;
    try {
        tables = buildTables(book);
    } catch (const DataError &error) {
        throw DataError(
            QStringLiteral("Sešit %1: %2").arg(QFileInfo(path).fileName(), error.message()));
    }
    m_mirror.openInMemory();
    const WorkbookTable *current = nullptr;
    try {
        for (const WorkbookTable &table : tables) {
            current = &table;
            QStringList columns;
            for (const FieldInfo &field : table.rows.fields())
                columns << quoteIdentifier(field.name) + QLatin1Char(' ') + sqlType(field.type);
            m_mirror.run(QStringLiteral("CREATE TABLE ") + quoteIdentifier(table.name)
                         + QStringLiteral(" (") + columns.join(QStringLiteral(", "))
                         + QLatin1Char(')'));
            m_mirror.insertRows(quoteIdentifier(table.name), table.rows);
        }
    } catch (const DataError &error) {
        m_mirror.close();
        throw DataError(QStringLiteral("Sešit %1: tabulku %2 nelze načíst (%3).")
                            .arg(QFileInfo(path).fileName(), current ? current->name : QString(),
                                 error.message()));
    }
    m_path = book.path;
    m_tables = std::move(tables);
}

void WorkbookProvider::close()
{
    m_mirror.close();
    m_tables.clear();
    m_path.clear();
}

QStringList WorkbookProvider::tableNames()
{
    QStringList names;
    for (const WorkbookTable &table : m_tables)
        names << table.name;
    return names;
}

StatementResult WorkbookProvider::run(const QString &statement,
                                      const std::vector<Value> &parameters)
{
    const QString sql = withoutTop(statement);
    if (!m_mirror.isReadOnly(sql))
        throw DataError(
            QStringLiteral("Do sešitu %1 nelze zapisovat.").arg(QFileInfo(m_path).fileName()));
    return m_mirror.run(sql, parameters);
}

QStringList WorkbookProvider::primaryKey(const QString &)
{
    return {}; // sheets have no keys: a row is found by all its values
}

Value WorkbookProvider::lastInsertId()
{
    return Value();
}

QString WorkbookProvider::quoteIdentifier(const QString &name) const
{
    if (name.startsWith(QLatin1Char('[')) && name.endsWith(QLatin1Char(']')))
        return name;
    return QLatin1Char('[') + name + QLatin1Char(']');
}

} // namespace vrl
