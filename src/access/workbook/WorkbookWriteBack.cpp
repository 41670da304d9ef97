// The writing of changed rows into the workbook's file: each change checked and converted
// first, the sheets patched, the package written once, then the tables held here updated;
// or, while writes are held, the changes gathered for one write at the end of a run.
#include "access/workbook/WorkbookProvider.h"

#include "access/DataError.h"
#include "access/workbook/PackageParts.h"
#include "access/workbook/PackageWriter.h"
#include "access/workbook/SheetPatch.h"
#include "access/workbook/XlsxReader.h"
#include "access/workbook/ZipArchive.h"

#include <QFileInfo>

#include <algorithm>
#include <map>
#include <optional>
#include <set>

namespace vrl {

using namespace workbook;

namespace {

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

QString typeName(FieldType type)
{
    switch (type) {
    case FieldType::Double:
        return QStringLiteral("číslo");
    case FieldType::DateTime:
        return QStringLiteral("datum a čas");
    case FieldType::Bool:
        return QStringLiteral("logická hodnota");
    default:
        return QStringLiteral("text");
    }
}

} // namespace

void WorkbookProvider::requireFileUnchanged() const
{
    const QFileInfo file(m_layout.path);
    if (!file.exists() || file.lastModified() != m_modified || file.size() != m_size)
        throw DataError(QStringLiteral("Sešit %1 se od načtení změnil na disku; změna nebyla "
                                       "zapsána, aby se nepřepsaly cizí úpravy. Připojte se "
                                       "znovu.")
                            .arg(fileName()));
}

void WorkbookProvider::writeHeld()
{
    FileChanges held = std::exchange(m_held, FileChanges());
    const bool anything = std::any_of(held.patches.begin(), held.patches.end(),
                                      [](const auto &patch) { return !patch.second.isEmpty(); })
        || !held.grownRanges.empty();
    if (!anything)
        return;
    try {
        requireFileUnchanged();
        writeFile(held);
    } catch (...) {
        // The tables show changes the file does not hold: they are read from the file again.
        const ConnectionString string = m_openedWith;
        const ConnectOptions options = m_openOptions;
        const bool holding = m_holding;
        try {
            open(string, options);
        } catch (...) {
            close();
        }
        m_holding = holding;
        throw;
    }
}

Value WorkbookProvider::fileValue(const Value &value, const FieldInfo &field,
                                  const WorkbookTable &table) const
{
    try {
        return value.convertedTo(field.type);
    } catch (const DataError &) {
        throw DataError(
            QStringLiteral("Hodnotu „%1“ nelze zapsat do sloupce %2 tabulky %3 "
                           "(%4); sešit %5 se nezměnil.")
                .arg(value.toText(), field.name, table.name, typeName(field.type), fileName()));
    }
}

void WorkbookProvider::writeBack(const std::vector<Change> &changes, bool &fileWritten)
{
    if (changes.empty())
        return;
    if (m_holding) {
        // The tables show the change at once; the file gets it with the others held.
        applyToTables(stageChanges(changes, m_held));
        return;
    }
    FileChanges file;
    const TableUpdates updates = stageChanges(changes, file);
    writeFile(file);
    fileWritten = true;
    applyToTables(updates);
}

WorkbookProvider::TableUpdates WorkbookProvider::stageChanges(const std::vector<Change> &changes,
                                                              FileChanges &file)
{
    // The package is opened only for a sheet not read yet: held writes read each sheet once.
    std::optional<ZipArchive> package;
    std::map<QString, SheetPatch> &patches = file.patches;
    // What this write sets: given to the patches only once every row of it passed its checks,
    // so that a refused write leaves held changes as they were.
    struct CellSet
    {
        SheetPatch *patch;
        int row;
        int column;
        CellWrite cell;
    };
    std::vector<CellSet> sets;
    std::map<QString, int> grownRanges; // range name -> its new last row
    TableUpdates result;
    std::vector<StoreUpdate> &updates = result.updates;
    std::vector<WrittenCell> &written = result.written;
    std::set<WorkbookTable *> &headed = result.headed; // tables whose header row it fills in

    // Everything is converted and checked first: the file is touched only when every value
    // fits its column and every row its sheet.
    for (const Change &change : changes) {
        WorkbookTable &table = tableNamed(change.table);
        const QString quotedTable = quoteIdentifier(table.name);
        // Each value as its column's declared type reads it, and as it is stored ("+x" has no
        // declared type), for a value the declared type cannot read (45000 in a date column).
        const int fieldCount = table.rows.fieldCount();
        QStringList stored;
        for (const FieldInfo &field : table.rows.fields())
            stored << QStringLiteral("+") + quoteIdentifier(field.name);
        const StatementResult now
            = m_mirror.run(QStringLiteral("SELECT *, %1 FROM %2 WHERE rowid = ?")
                               .arg(stored.join(QStringLiteral(", ")), quotedTable),
                           { Value::integer(change.rowid) });
        if (now.rows.rowCount() != 1 || now.rows.fieldCount() != 2 * fieldCount)
            continue;
        std::vector<Value> values;
        bool converted = false;
        for (int f = 0; f < fieldCount; ++f) {
            const FieldInfo &field = table.rows.fields()[size_t(f)];
            const Value declared = now.rows.value(0, f);
            const bool fits = declared.isNull() || declared.type() == field.type;
            values.push_back(fits ? declared
                                  : fileValue(now.rows.value(0, fieldCount + f), field, table));
            converted = converted || !fits;
        }
        if (converted) {
            // The embedded table holds the value as the file will, in its column's type.
            QStringList assignments;
            for (const FieldInfo &field : table.rows.fields())
                assignments << quoteIdentifier(field.name) + QStringLiteral(" = ?");
            std::vector<Value> parameters = values;
            parameters.push_back(Value::integer(change.rowid));
            m_mirror.run(QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?")
                             .arg(quotedTable, assignments.join(QStringLiteral(", "))),
                         parameters);
        }
        const size_t storeRow = size_t(change.rowid - 1);
        const bool appended = storeRow >= table.rows.rowCount();
        const qint64 sheetRow64 = qint64(table.region.headerRow) + change.rowid;
        if (sheetRow64 > kLastSheetRow)
            throw DataError(QStringLiteral("Do tabulky %1 sešitu %2 se další řádek nevejde: list "
                                           "má nejvýše 1 048 576 řádků.")
                                .arg(table.name, fileName()));
        const int sheetRow = int(sheetRow64);
        if (table.region.definedRange && sheetRow > table.region.declaredLastRow
            && !table.region.growable)
            throw DataError(QStringLiteral("Pojmenovanou oblast %1 nelze rozšířit: není to "
                                           "jedna souvislá oblast s řádkem záhlaví.")
                                .arg(table.name));
        const QString &part = m_layout.sheets[size_t(table.region.sheet)].part;
        auto patch = patches.find(part);
        if (patch == patches.end()) {
            if (!package)
                package.emplace(m_layout.path);
            patch = patches.emplace(part, SheetPatch(package->read(part))).first;
        }
        if (appended && !table.region.hasHeader && !headed.count(&table)) {
            // A sheet without a header gets the field names first, so that the new row reads
            // back as a record, not as the header.
            for (int f = 0; f < table.rows.fieldCount(); ++f) {
                CellWrite name;
                name.kind = CellWrite::Kind::Text;
                name.text = table.rows.fields()[size_t(f)].name;
                sets.push_back(
                    { &patch->second, table.region.headerRow, table.region.firstColumn + f, name });
            }
            headed.insert(&table);
        }
        for (size_t f = 0; f < values.size(); ++f) {
            if (appended ? values[f].isNull() : table.rows.value(storeRow, int(f)) == values[f])
                continue;
            const int column = table.region.firstColumn + int(f);
            CellWrite cell = cellWriteOf(values[f], m_layout.date1904);
            // A new cell looks like the one above it.
            cell.newCellStyle = patch->second.styleOf(sheetRow - 1, column);
            sets.push_back({ &patch->second, sheetRow, column, cell });
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
    for (CellSet &set : sets)
        set.patch->set(set.row, set.column, set.cell);
    for (const auto &[name, lastRow] : grownRanges)
        file.grownRanges[name] = std::max(file.grownRanges[name], lastRow);
    return result;
}

void WorkbookProvider::writeFile(FileChanges &file)
{
    const ZipArchive package(m_layout.path);
    std::map<QString, SheetPatch> &patches = file.patches;
    const std::map<QString, int> &grownRanges = file.grownRanges;
    std::map<QString, QByteArray> replacements;
    std::set<std::pair<int, QString>> replacedFormulas;
    for (auto &[part, patch] : patches) {
        replacements[part] = patch.apply();
        for (const Sheet &layout : m_layout.sheets) {
            if (layout.part == part) {
                for (const QString &cell : patch.replacedFormulas())
                    replacedFormulas.insert({ layout.sheetId, cell });
            }
        }
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
    const QFileInfo written(m_layout.path);
    m_modified = written.lastModified();
    m_size = written.size();
}

void WorkbookProvider::applyToTables(const TableUpdates &changes)
{
    // The tables show the changes, in the types they were checked for.
    for (WorkbookTable *table : changes.headed) {
        table->region.hasHeader = true;
        table->region.lastColumn = std::max(
            table->region.lastColumn, table->region.firstColumn + table->rows.fieldCount() - 1);
    }
    for (const StoreUpdate &update : changes.updates) {
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
    shareWrittenCells(changes.written);
}

void WorkbookProvider::shareWrittenCells(const std::vector<WrittenCell> &written)
{
    // Tables that overlap on a sheet (the sheet itself and its named ranges) show the same
    // cells: a cell written through one is now in the others too.
    for (const WrittenCell &cell : written) {
        for (WorkbookTable &other : m_tables) {
            const TableRegion &region = other.region;
            if (&other == cell.table || !other.failure.isEmpty()
                || m_layout.dataSheetOf(region.sheet)
                    != m_layout.dataSheetOf(cell.table->region.sheet)
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

} // namespace vrl
