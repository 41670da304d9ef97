#pragma once

#include "access/workbook/WorkbookData.h"

namespace vrl::workbook {

// Reads a workbook file of any kind this program knows: .xlsx by its zip container, .xls by
// its compound file. Everything else fails with a Czech message that names the file and says
// what it is: missing, an OpenDocument spreadsheet, a password-protected workbook, an old
// Excel format, or no workbook at all.
WorkbookData readWorkbook(const QString &path);

} // namespace vrl::workbook
