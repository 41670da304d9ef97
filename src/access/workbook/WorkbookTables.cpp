#include "access/workbook/WorkbookTables.h"

#include "access/DataError.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <climits>
#include <optional>

namespace vrl::workbook {

namespace {

// Cells of a region by column, each column holding its data rows in order.
struct RegionCells
{
    std::vector<const CellRecord *> header;
    std::vector<std::vector<const CellRecord *>> columns;
    int rowCount = 0;
};

// What a table may span: the columns the embedded database takes. The cells of the whole
// workbook are bounded by kMaxWorkbookCells, so that a damaged cell address or many sheet
// entries sharing one sheet cannot ask for billions of empty cells.
constexpr int kMaxColumns = 2000;

RegionCells collect(const std::vector<CellRecord> &cells, const QString &name, int headerRow,
                    int firstColumn, int lastColumn, int lastRow)
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
    for (const CellRecord &cell : cells) {
        if (cell.row > headerRow && cell.row <= lastRow && cell.column >= firstColumn
            && cell.column <= lastColumn)
            lastUsed = std::max(lastUsed, cell.row);
    }
    region.rowCount = lastUsed - headerRow;
    for (auto &column : region.columns)
        column.assign(size_t(region.rowCount), nullptr);
    for (const CellRecord &cell : cells) {
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

FieldType typeOf(const WorkbookData &book, const std::vector<const CellRecord *> &cells)
{
    std::optional<CellKind> kind;
    for (const CellRecord *cell : cells) {
        if (!cell)
            continue;
        // A date-formatted cell whose number is no date that can be shown keeps its number.
        const CellKind cellKind
            = cell->kind == CellKind::Date && !dateOfSerial(cell->number, book.date1904).isValid()
            ? CellKind::Number
            : cell->kind;
        if (!kind)
            kind = cellKind;
        else if (*kind != cellKind)
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
    case FieldType::DateTime: {
        // A column is of dates only when every one of its cells is a date that can be shown.
        const QDateTime when = dateOfSerial(cell->number, book.date1904);
        return when.isValid() ? Value::dateTime(when) : Value();
    }
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
        // The embedded database takes any character of a name but NUL (which ends its
        // statements) and a half of a surrogate pair (which has no UTF-8 form).
        for (qsizetype i = 0; i < name.size(); ++i) {
            const QChar c = name[i];
            if (c.isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate())
                ++i;
            else if (c.isNull() || c.isSurrogate())
                name[i] = QLatin1Char('_');
        }
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
    RegionCells cells = collect(book.cellsOf(size_t(region.sheet)), name, region.headerRow,
                                region.firstColumn, region.lastColumn, region.lastRow);
    if (region.headerless) // the row above a one-cell table is none of it
        std::fill(cells.header.begin(), cells.header.end(), nullptr);
    const QStringList names = fieldNames(book, cells);
    std::vector<FieldInfo> fields;
    for (size_t c = 0; c < cells.columns.size(); ++c) {
        FieldInfo field = fieldOf(names[qsizetype(c)], typeOf(book, cells.columns[c]));
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
    WorkbookTable table { name, region, RowStore(fields), QString() };
    table.region.lastColumn = region.firstColumn + int(cells.columns.size()) - 1;
    table.region.lastRow = region.headerRow + cells.rowCount;
    table.region.hasHeader = region.headerless
        || std::any_of(cells.header.begin(), cells.header.end(),
                       [](const CellRecord *cell) { return cell != nullptr; });
    for (size_t c = 0; c < cells.columns.size(); ++c) {
        Column &column = table.rows.column(int(c));
        column.reserve(size_t(cells.rowCount));
        const FieldType type = fields[c].type;
        // Numbers, truth values and texts of the pool go straight into the column, without a
        // value made of each cell (a tenth of a large sheet's open), and texts without a copy
        // of each (cellText's copies cost 30 ms more for the benchmark's sheet).
        for (const CellRecord *cell : cells.columns[c]) {
            if (!cell)
                column.appendNull();
            else if (type == FieldType::Double)
                column.appendDouble(cell->number);
            else if (type == FieldType::Bool)
                column.appendInteger(cell->number != 0 ? 1 : 0);
            else if (type == FieldType::Text && cell->kind == CellKind::Text && cell->text >= 0
                     && cell->text < book.texts.size())
                column.appendText(book.texts[cell->text]);
            else
                column.append(valueOf(book, cell, type));
        }
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
        if (!when.isValid())
            return QString::number(cell.number, 'g', QLocale::FloatingPointShortest);
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
    // Where each sheet's data lies, found once per data however many entries share it.
    struct Extent
    {
        int firstRow = INT_MAX, lastRow = -1, firstColumn = INT_MAX, lastColumn = -1;
    };
    std::vector<std::optional<Extent>> extents(book.sheets.size());
    const auto extentOf = [&](int sheet) -> const Extent & {
        const int data = book.dataSheetOf(sheet);
        auto &extent = extents[size_t(data)];
        if (!extent) {
            extent.emplace();
            for (const CellRecord &cell : book.sheets[size_t(data)].cells) {
                extent->firstRow = std::min(extent->firstRow, cell.row);
                extent->lastRow = std::max(extent->lastRow, cell.row);
                extent->firstColumn = std::min(extent->firstColumn, cell.column);
                extent->lastColumn = std::max(extent->lastColumn, cell.column);
            }
        }
        return *extent;
    };

    std::vector<std::pair<QString, TableRegion>> regions;
    for (size_t s = 0; s < book.sheets.size(); ++s) {
        TableRegion region;
        region.sheet = int(s);
        const Extent &extent = extentOf(int(s));
        if (extent.lastRow >= 0) {
            region.headerRow = extent.firstRow;
            region.firstColumn = extent.firstColumn;
            region.lastColumn = extent.lastColumn;
            region.lastRow = extent.lastRow;
        }
        regions.push_back({ book.sheets[s].name + QLatin1Char('$'), region });
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
        region.growable = range.growable;
        if (range.firstRow == range.lastRow && range.firstColumn == range.lastColumn) {
            // One cell is a table of that one value, as spreadsheet drivers give it; it
            // cannot grow, for two rows would read as a header and a record.
            region.headerless = true;
            region.headerRow = range.firstRow - 1;
            region.growable = false;
        }
        regions.push_back({ range.name, region });
    }

    // The cells the tables would hold, before any is built.
    qint64 total = 0;
    for (const auto &[name, region] : regions) {
        const qint64 width = qint64(region.lastColumn) - region.firstColumn + 1;
        const qint64 rows
            = qint64(std::min(region.lastRow, extentOf(region.sheet).lastRow)) - region.headerRow;
        if (width <= kMaxColumns && rows > 0)
            total += rows * std::max<qint64>(width, 1);
    }
    if (total > kMaxWorkbookCells)
        throw DataError(QStringLiteral("Sešit %1 je příliš velký: jeho tabulky by měly dohromady "
                                       "%2 buněk, číst lze nejvýše %3.")
                            .arg(QFileInfo(book.path).fileName())
                            .arg(total)
                            .arg(kMaxWorkbookCells));

    std::vector<WorkbookTable> tables;
    for (const auto &[name, region] : regions) {
        try {
            tables.push_back(tableOf(book, name, region));
        } catch (const DataError &error) {
            WorkbookTable broken { name, region, RowStore(), error.message() };
            tables.push_back(std::move(broken));
        }
    }
    return tables;
}

} // namespace vrl::workbook
