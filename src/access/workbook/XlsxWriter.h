#pragma once

#include "access/ColumnStore.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace vrl::workbook {

// The most records a sheet takes below its row of field names.
constexpr int kMostSheetRecords = 1'048'575;
// The most characters a cell of the spreadsheet program holds.
constexpr int kMostCellCharacters = 32'767;

// Rows of a result to be written as a new workbook of one sheet.
struct SheetExport
{
    QString sheetName; // made a valid sheet name by the writer
    const RowStore *rows = nullptr;
    std::vector<quint32> order; // the store rows, in the order they are written
    // Told on the calling thread as the rows are written, so that a gauge can follow.
    std::function<void(int done, int count)> progress;
};

struct SheetExportOutcome
{
    qsizetype shortened = 0; // texts cut to the most a cell holds
};

// A sheet name the spreadsheet program accepts: none of []:*?/\ (each becomes "_"), no
// apostrophe at either end, at most 31 characters, not the reserved "History"; an empty
// name gives the fallback.
QString validSheetName(const QString &wanted, const QString &fallback);

// Writes a new .xlsx with one sheet: the field names in row 1 in bold and frozen, then a row
// per record; numbers as numbers (decimals from their exact digits), date-times as date cells,
// texts as shared strings, NULL as no cell; column widths fitted to the first 1,000 rows.
// The file is written beside the target under a temporary name, flushed and renamed over it,
// so that a failure leaves the old file or none, never a broken one. Throws DataError, before
// anything is written for more records than a sheet holds or a target that is no plain file.
SheetExportOutcome writeSheetWorkbook(const QString &path, const SheetExport &sheet);

} // namespace vrl::workbook
