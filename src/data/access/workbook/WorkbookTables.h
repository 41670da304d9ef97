#pragma once

#include "data/access/ColumnStore.h"
#include "data/access/workbook/WorkbookData.h"

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
};

struct WorkbookTable
{
    QString name; // "Sheet1$" for a sheet, the plain name for a range
    TableRegion region;
    RowStore rows;
};

// Every worksheet as a table named after it with "$", then every named range, in workbook
// order. The first used row gives the field names (an empty one "F" + its column position, a
// repeated one a numeric suffix); trailing empty rows and columns are left out. A column's
// type comes from its cells: numbers, dates, booleans; any mixture, or text, makes it text.
std::vector<WorkbookTable> buildTables(const WorkbookData &book);

// The text a cell shows in a text column, the same whatever the user's regional settings.
QString cellText(const WorkbookData &book, const CellRecord &cell);

} // namespace vrl::workbook
