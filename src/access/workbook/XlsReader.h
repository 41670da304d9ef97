#pragma once

#include "access/workbook/WorkbookData.h"

namespace vrl::workbook {

// Reads an Excel 97-2003 workbook (.xls, BIFF8): the compound file through libgsf, the
// workbook stream's records by our own reader. Gives the worksheets in workbook order with
// their cells (shared strings, numbers in all record forms, cached formula results with text
// ones, booleans, errors; numbers in date formats as dates), the 1904 flag and the
// workbook-level names of single ranges. Throws DataError naming the file and the reason for
// older versions, encrypted workbooks and damaged files.
WorkbookData readXls(const QString &path);

// The workbook stream's records, for a test that wants to feed damaged streams directly.
WorkbookData readBiff8Stream(const QByteArray &stream, const QString &path);

} // namespace vrl::workbook
