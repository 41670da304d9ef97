#include "data/access/workbook/WorkbookTables.h"

#include "data/access/DataError.h"

#include <QDateTime>
#include <QSet>

#include <algorithm>

namespace vrl::workbook {

namespace {

// Cells of a region by column, each column holding its data rows in order.
struct RegionCells
{
    std::vector<const CellRecord *> header;
    std::vector<std::vector<const CellRecord *>> columns;
    int rowCount = 0;
};

// What a table may span: the columns the embedded database takes, and cells enough for any
// real sheet, so that a damaged cell address cannot ask for billions of empty cells.
constexpr int kMaxColumns = 2000;
constexpr qint64 kMaxCells = 30'000'000;

RegionCells collect(const Sheet &sheet, const QString &name, int headerRow, int firstColumn,
                    int lastColumn, int lastRow)
{
    RegionCells region;
    const int width = lastColumn - firstColumn + 1;
    if (width > kMaxColumns)
        throw DataError(QStringLiteral("Tabulka %1 má %2 sloupců; číst lze nejvýše %3.")
                            .arg(name)
                            .arg(width)
                            .arg(kMaxColumns));
    region.header.assign(size_t(std::max(width, 0)), nullptr);
    region.columns.resize(size_t(std::max(width, 0)));
    int lastUsed = headerRow;
    for (const CellRecord &cell : sheet.cells) {
        if (cell.row > headerRow && cell.row <= lastRow && cell.column >= firstColumn
            && cell.column <= lastColumn)
            lastUsed = std::max(lastUsed, cell.row);
    }
    region.rowCount = lastUsed - headerRow;
    if (qint64(region.rowCount) * std::max(width, 1) > kMaxCells)
        throw DataError(QStringLiteral("Tabulka %1 je příliš velká (%2 řádků, %3 sloupců).")
                            .arg(name)
                            .arg(region.rowCount)
                            .arg(width));
    for (auto &column : region.columns)
        column.assign(size_t(region.rowCount), nullptr);
    for (const CellRecord &cell : sheet.cells) {
        if (cell.column < firstColumn || cell.column > lastColumn || cell.row < headerRow
            || cell.row > lastUsed)
            continue;
        const size_t c = size_t(cell.column - firstColumn);
        if (cell.row == headerRow)
            region.header[c] = &cell;
        else
            region.columns[c][size_t(cell.row - headerRow - 1)] = &cell;
    }
    // Columns at the end with neither a name nor a value are no fields.
    while (!region.columns.empty() && !region.header.back()
           && std::all_of(region.columns.back().begin(), region.columns.back().end(),
                          [](const CellRecord *cell) { return !cell; })) {
        region.columns.pop_back();
        region.header.pop_back();
    }
    return region;
}

FieldType typeOf(const std::vector<const CellRecord *> &cells)
{
    std::optional<CellKind> kind;
    for (const CellRecord *cell : cells) {
        if (!cell)
            continue;
        if (!kind)
            kind = cell->kind;
        else if (*kind != cell->kind)
            return FieldType::Text;
    }
    switch (kind.value_or(CellKind::Text)) {
    case CellKind::Number:
        return FieldType::Double;
    case CellKind::Date:
        return FieldType::DateTime;
    case CellKind::Bool:
        return FieldType::Bool;
    default:
        return FieldType::Text;
    }
}

Value valueOf(const WorkbookData &book, const CellRecord *cell, FieldType type)
{
    if (!cell)
        return Value();
    switch (type) {
    case FieldType::Double:
        return Value::real(cell->number);
    case FieldType::DateTime:
        return Value::dateTime(dateOfSerial(cell->number, book.date1904));
    case FieldType::Bool:
        return Value::boolean(cell->number != 0);
    default:
        return Value::text(cellText(book, *cell));
    }
}

QStringList fieldNames(const WorkbookData &book, const RegionCells &region)
{
    QStringList names;
    QSet<QString> taken;
    for (size_t c = 0; c < region.header.size(); ++c) {
        const CellRecord *cell = region.header[c];
        QString name = cell ? cellText(book, *cell).trimmed() : QString();
        if (name.isEmpty())
            name = QStringLiteral("F%1").arg(c + 1);
        QString unique = name;
        for (int suffix = 1; taken.contains(unique.toLower()); ++suffix)
            unique = name + QString::number(suffix);
        taken.insert(unique.toLower());
        names << unique;
    }
    return names;
}

WorkbookTable tableOf(const WorkbookData &book, const QString &name, const TableRegion &region)
{
    const Sheet &sheet = book.sheets[size_t(region.sheet)];
    const RegionCells cells = collect(sheet, name, region.headerRow, region.firstColumn,
                                      region.lastColumn, region.lastRow);
    const QStringList names = fieldNames(book, cells);
    std::vector<FieldInfo> fields;
    for (size_t c = 0; c < cells.columns.size(); ++c) {
        FieldInfo field = fieldOf(names[qsizetype(c)], typeOf(cells.columns[c]));
        field.baseTable = name;
        field.baseColumn = field.name;
        fields.push_back(field);
    }
    // An empty sheet still has its one field, as spreadsheet drivers give it.
    if (fields.empty()) {
        FieldInfo field = fieldOf(QStringLiteral("F1"), FieldType::Text);
        field.baseTable = name;
        field.baseColumn = field.name;
        fields.push_back(field);
    }
    WorkbookTable table { name, region, RowStore(fields) };
    table.region.lastColumn = region.firstColumn + int(cells.columns.size()) - 1;
    table.region.lastRow = region.headerRow + cells.rowCount;
    for (size_t c = 0; c < cells.columns.size(); ++c) {
        Column &column = table.rows.column(int(c));
        column.reserve(size_t(cells.rowCount));
        for (const CellRecord *cell : cells.columns[c])
            column.append(valueOf(book, cell, fields[c].type));
    }
    return table;
}

} // namespace

QString cellText(const WorkbookData &book, const CellRecord &cell)
{
    switch (cell.kind) {
    case CellKind::Text:
    case CellKind::Error:
        return cell.text >= 0 && cell.text < book.texts.size() ? book.texts[cell.text] : QString();
    case CellKind::Bool:
        return cell.number != 0 ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    case CellKind::Date: {
        const QDateTime when = dateOfSerial(cell.number, book.date1904);
        return when.time() == QTime(0, 0) ? when.toString(QStringLiteral("yyyy-MM-dd"))
                                          : when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    case CellKind::Number:
        return QString::number(cell.number, 'g', QLocale::FloatingPointShortest);
    }
    return QString();
}

std::vector<WorkbookTable> buildTables(const WorkbookData &book)
{
    std::vector<WorkbookTable> tables;
    for (size_t s = 0; s < book.sheets.size(); ++s) {
        const Sheet &sheet = book.sheets[s];
        TableRegion region;
        region.sheet = int(s);
        if (!sheet.cells.empty()) {
            int firstRow = INT_MAX, lastRow = 0, firstColumn = INT_MAX, lastColumn = 0;
            for (const CellRecord &cell : sheet.cells) {
                firstRow = std::min(firstRow, cell.row);
                lastRow = std::max(lastRow, cell.row);
                firstColumn = std::min(firstColumn, cell.column);
                lastColumn = std::max(lastColumn, cell.column);
            }
            region.headerRow = firstRow;
            region.firstColumn = firstColumn;
            region.lastColumn = lastColumn;
            region.lastRow = lastRow;
        }
        tables.push_back(tableOf(book, sheet.name + QLatin1Char('$'), region));
    }
    for (const DefinedRange &range : book.ranges) {
        TableRegion region;
        region.sheet = range.sheet;
        region.headerRow = range.firstRow;
        region.firstColumn = range.firstColumn;
        region.lastColumn = range.lastColumn;
        region.lastRow = range.lastRow;
        region.definedRange = true;
        region.declaredLastRow = range.lastRow;
        tables.push_back(tableOf(book, range.name, region));
    }
    return tables;
}

} // namespace vrl::workbook
