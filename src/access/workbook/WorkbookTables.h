#pragma once

#include "access/ColumnStore.h"
#include "access/workbook/WorkbookData.h"

namespace vrl::workbook {

// Where a table lies on its sheet: the header row and the columns it spans (from 0).
struct TableRegion
{
    int sheet = 0;
    int headerRow = 0;
    int firstColumn = 0;
    int lastColumn = -1;
    int lastRow = -1; // the last data row; headerRow when there is none
    bool definedRange = false; // a named range, which grows when a row is appended
    int declaredLastRow = -1; // the last row the name covers
    bool growable = true; // a range whose name can be rewritten to reach further down
    // A one-cell name is a table of that cell, without a header (headerRow is the row above).
    bool headerless = false;
    // The header row has a name in some column; a sheet without one gets the field names
    // written before its first record.
    bool hasHeader = false;
};

struct WorkbookTable
{
    QString name; // "Sheet1$" for a sheet, the plain name for a range
    TableRegion region;
    RowStore rows;
    QString failure; // why the table cannot be loaded; empty when it can
};

// Every worksheet as a table named after it with "$", then every named range, in workbook
// order. The first used row gives the field names (an empty one "F" + its column position, a
// repeated one a numeric suffix, characters the embedded database cannot hold "_"); trailing
// empty rows and columns are left out. A column's type comes from its cells: numbers, dates,
// booleans; any mixture, or text, makes it text. A table that cannot be built carries its
// reason in failure; the cells of all tables together are bounded, and a workbook past the
// bound fails as a whole (DataError naming the file).
std::vector<WorkbookTable> buildTables(const WorkbookData &book);

// At most this many cells (rows x columns) in all the tables of a workbook together.
constexpr qint64 kMaxWorkbookCells = 30'000'000;

// The text a cell shows in a text column, the same whatever the user's regional settings.
QString cellText(const WorkbookData &book, const CellRecord &cell);

} // namespace vrl::workbook
