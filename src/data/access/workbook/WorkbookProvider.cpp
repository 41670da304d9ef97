#include "data/access/workbook/WorkbookProvider.h"

#include "data/access/DataError.h"
#include "data/access/workbook/PackageParts.h"
#include "data/access/workbook/PackageWriter.h"
#include "data/access/workbook/SheetPatch.h"
#include "data/access/workbook/WorkbookFile.h"
#include "data/access/workbook/XlsxReader.h"
#include "data/access/workbook/ZipArchive.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <map>
#include <set>

#include <sqlite3.h>

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

CellWrite cellWriteOf(const Value &value, bool date1904)
{
    CellWrite cell;
    if (value.isNull())
        return cell;
    switch (*value.type()) {
    case FieldType::Bool:
        cell.kind = CellWrite::Kind::Bool;
        cell.number = value.asBool() ? 1 : 0;
        break;
    case FieldType::DateTime:
        cell.kind = CellWrite::Kind::Number;
        cell.number = serialOfDate(value.asDateTime(), date1904);
        break;
    case FieldType::Int:
    case FieldType::Double:
    case FieldType::Decimal:
        cell.kind = CellWrite::Kind::Number;
        cell.number = *value.toNumber();
        break;
    default:
        cell.kind = CellWrite::Kind::Text;
        cell.text = value.toText();
        break;
    }
    return cell;
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
    WorkbookData book = readWorkbook(
        QFileInfo(path).canonicalFilePath().isEmpty() ? path : QFileInfo(path).canonicalFilePath());
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
            m_mirror.insertRows(table.name, table.rows);
        }
    } catch (const DataError &error) {
        m_mirror.close();
        throw DataError(QStringLiteral("Sešit %1: tabulku %2 nelze načíst (%3).")
                            .arg(QFileInfo(path).fileName(), current ? current->name : QString(),
                                 error.message()));
    }
    // The tables hold the values now; the layout is what writing needs besides.
    for (Sheet &sheet : book.sheets)
        std::vector<CellRecord>().swap(sheet.cells);
    book.texts.clear();
    m_layout = std::move(book);
    m_tables = std::move(tables);
    const QFileInfo file(m_layout.path);
    m_modified = file.lastModified();
    m_size = file.size();
}

QString WorkbookProvider::fileName() const
{
    return QFileInfo(m_layout.path).fileName();
}

void WorkbookProvider::close()
{
    m_mirror.close();
    m_tables.clear();
    m_layout = WorkbookData();
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
    if (m_mirror.isReadOnly(sql))
        return m_mirror.run(sql, parameters);
    return write(sql, parameters);
}

WorkbookTable &WorkbookProvider::tableNamed(const QString &name)
{
    for (WorkbookTable &table : m_tables) {
        if (table.name.compare(name, Qt::CaseInsensitive) == 0)
            return table;
    }
    throw DataError(QStringLiteral("Tabulka %1 v sešitu není.").arg(name));
}

StatementResult WorkbookProvider::write(const QString &sql, const std::vector<Value> &parameters)
{
    static const QRegularExpression deletion(QStringLiteral("^\\s*DELETE\\b"),
                                             QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression change(QStringLiteral("^\\s*(UPDATE|INSERT)\\b"),
                                           QRegularExpression::CaseInsensitiveOption);
    if (deletion.match(sql).hasMatch())
        throw DataError(QStringLiteral("Ze sešitu %1 nelze mazat řádky.").arg(fileName()));
    if (!change.match(sql).hasMatch())
        throw DataError(QStringLiteral("V sešitu %1 lze řádky jen měnit (UPDATE) a přidávat "
                                       "(INSERT).")
                            .arg(fileName()));
    if (!m_layout.xlsx)
        throw DataError(QStringLiteral("Do sešitu %1 ve formátu .xls nelze zapisovat; uložte jej "
                                       "jako .xlsx.")
                            .arg(fileName()));
    const QFileInfo file(m_layout.path);
    if (!file.exists() || file.lastModified() != m_modified || file.size() != m_size)
        throw DataError(QStringLiteral("Sešit %1 se od načtení změnil na disku; změna nebyla "
                                       "zapsána, aby se nepřepsaly cizí úpravy. Připojte se "
                                       "znovu.")
                            .arg(fileName()));

    std::vector<Change> changes;
    bool deleted = false;
    m_mirror.observeChanges([&](int operation, const QString &table, qint64 rowid) {
        if (operation == SQLITE_DELETE)
            deleted = true;
        else
            changes.push_back({ table, rowid });
    });
    m_mirror.run(QStringLiteral("SAVEPOINT workbook_write"));
    try {
        StatementResult result = m_mirror.run(sql, parameters);
        m_mirror.observeChanges(nullptr);
        if (deleted)
            throw DataError(QStringLiteral("Ze sešitu %1 nelze mazat řádky.").arg(fileName()));
        writeBack(changes);
        m_mirror.run(QStringLiteral("RELEASE workbook_write"));
        return result;
    } catch (...) {
        m_mirror.observeChanges(nullptr);
        m_mirror.run(QStringLiteral("ROLLBACK TO workbook_write"));
        m_mirror.run(QStringLiteral("RELEASE workbook_write"));
        throw;
    }
}

void WorkbookProvider::writeBack(const std::vector<Change> &changes)
{
    if (changes.empty())
        return;
    const ZipArchive package(m_layout.path);
    std::map<int, SheetPatch> patches; // by sheet
    std::map<QString, int> grownRanges; // range name -> its new last row
    struct StoreUpdate
    {
        WorkbookTable *table;
        size_t row;
        std::vector<Value> values;
    };
    std::vector<StoreUpdate> updates;
    std::vector<WrittenCell> written;

    for (const Change &change : changes) {
        WorkbookTable &table = tableNamed(change.table);
        const StatementResult now = m_mirror.run(
            QStringLiteral("SELECT * FROM %1 WHERE rowid = ?").arg(quoteIdentifier(table.name)),
            { Value::integer(change.rowid) });
        if (now.rows.rowCount() != 1)
            continue;
        std::vector<Value> values;
        for (int f = 0; f < now.rows.fieldCount(); ++f)
            values.push_back(now.rows.value(0, f));
        const size_t storeRow = size_t(change.rowid - 1);
        const bool appended = storeRow >= table.rows.rowCount();
        const int sheetRow = table.region.headerRow + int(change.rowid);
        auto patch = patches.find(table.region.sheet);
        if (patch == patches.end())
            patch = patches
                        .emplace(table.region.sheet,
                                 SheetPatch(package.read(
                                     m_layout.sheets[size_t(table.region.sheet)].part)))
                        .first;
        for (size_t f = 0; f < values.size(); ++f) {
            if (appended ? values[f].isNull() : table.rows.value(storeRow, int(f)) == values[f])
                continue;
            const int column = table.region.firstColumn + int(f);
            CellWrite cell = cellWriteOf(values[f], m_layout.date1904);
            // A new cell looks like the one above it.
            cell.newCellStyle = patch->second.styleOf(sheetRow - 1, column);
            patch->second.set(sheetRow, column, cell);
            written.push_back({ &table, sheetRow, column, values[f] });
        }
        if (table.region.definedRange && sheetRow > table.region.declaredLastRow) {
            // A range grows only into an empty row, so that nothing below it is overwritten.
            for (int c = table.region.firstColumn; c <= table.region.lastColumn; ++c) {
                if (patch->second.hasValue(sheetRow, c))
                    throw DataError(QStringLiteral("Pojmenovanou oblast %1 nelze rozšířit: "
                                                   "řádek pod ní není prázdný.")
                                        .arg(table.name));
            }
            grownRanges[table.name] = std::max(grownRanges[table.name], sheetRow);
        }
        updates.push_back({ &table, storeRow, std::move(values) });
    }

    std::map<QString, QByteArray> replacements;
    std::set<std::pair<int, QString>> replacedFormulas;
    for (auto &[sheet, patch] : patches) {
        const Sheet &layout = m_layout.sheets[size_t(sheet)];
        replacements[layout.part] = patch.apply();
        for (const QString &cell : patch.replacedFormulas())
            replacedFormulas.insert({ layout.sheetId, cell });
    }
    QStringList removals;
    const QString calcChain = resolvePart(m_layout.workbookPart, QStringLiteral("calcChain.xml"));
    if (!replacedFormulas.empty() && package.contains(calcChain)) {
        bool nowEmpty = false;
        const QByteArray chain
            = withoutCalcEntries(package.read(calcChain), replacedFormulas, nowEmpty);
        if (nowEmpty) {
            // No chain at all is valid; spreadsheet programs rebuild it.
            removals << calcChain;
            const QString rels
                = resolvePart(m_layout.workbookPart, QStringLiteral("_rels/workbook.xml.rels"));
            replacements[rels]
                = withoutElements(package.read(rels), "Relationship", "calcChain.xml\"");
            replacements[QStringLiteral("[Content_Types].xml")] = withoutElements(
                package.read(QStringLiteral("[Content_Types].xml")), "Override", "calcChain.xml\"");
        } else {
            replacements[calcChain] = chain;
        }
    }
    if (!grownRanges.empty()) {
        QByteArray workbook = package.read(m_layout.workbookPart);
        for (const auto &[name, lastRow] : grownRanges)
            workbook = withGrownRange(workbook, name, lastRow);
        replacements[m_layout.workbookPart] = workbook;
    }
    rewritePackage(m_layout.path, replacements, removals);

    // The file now holds the changes: so do the tables.
    for (StoreUpdate &update : updates) {
        WorkbookTable &table = *update.table;
        if (update.row < table.rows.rowCount())
            table.rows.setRow(update.row, update.values);
        else
            table.rows.appendRow(update.values);
        table.region.lastRow
            = std::max(table.region.lastRow, table.region.headerRow + int(update.row) + 1);
        if (table.region.definedRange)
            table.region.declaredLastRow
                = std::max(table.region.declaredLastRow, table.region.lastRow);
    }
    const QFileInfo file(m_layout.path);
    m_modified = file.lastModified();
    m_size = file.size();
    shareWrittenCells(written);
}

void WorkbookProvider::shareWrittenCells(const std::vector<WrittenCell> &written)
{
    // Tables that overlap on a sheet (the sheet itself and its named ranges) show the same
    // cells: a cell written through one is now in the others too.
    for (const WrittenCell &cell : written) {
        for (WorkbookTable &other : m_tables) {
            const TableRegion &region = other.region;
            if (&other == cell.table || region.sheet != cell.table->region.sheet
                || cell.column < region.firstColumn || cell.column > region.lastColumn
                || cell.row <= region.headerRow
                || (region.definedRange && cell.row > region.declaredLastRow))
                continue;
            const qint64 rowid = cell.row - region.headerRow;
            const int field = cell.column - region.firstColumn;
            while (qint64(other.rows.rowCount()) < rowid) {
                other.rows.appendRow(std::vector<Value>(size_t(other.rows.fieldCount())));
                m_mirror.run(QStringLiteral("INSERT INTO %1 DEFAULT VALUES")
                                 .arg(quoteIdentifier(other.name)));
                other.region.lastRow = std::max(other.region.lastRow, cell.row);
            }
            const FieldInfo &info = other.rows.fields()[size_t(field)];
            Value value;
            try {
                value = cell.value.convertedTo(info.type);
            } catch (const DataError &) {
                value = Value(); // a value this column cannot show stays in the file only
            }
            std::vector<Value> row;
            for (int f = 0; f < other.rows.fieldCount(); ++f)
                row.push_back(f == field ? value : other.rows.value(size_t(rowid - 1), f));
            other.rows.setRow(size_t(rowid - 1), row);
            m_mirror.run(QStringLiteral("UPDATE %1 SET %2 = ? WHERE rowid = ?")
                             .arg(quoteIdentifier(other.name), quoteIdentifier(info.name)),
                         { value, Value::integer(rowid) });
        }
    }
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
    // The tables live in the embedded database, so its quoting is theirs: bracketed worksheet
    // names stay, other names go in double quotes, which hold any header text ("Cena [Kč]").
    return m_mirror.quoteIdentifier(name);
}

} // namespace vrl
