#pragma once

#include "access/workbook/WorkbookData.h"

namespace vrl::workbook {

class ZipArchive;

// Reads an Office Open XML workbook (.xlsx, .xlsm): its worksheets in workbook order, the
// workbook-level names of single ranges, the date system, and every cell's cached value, with
// numbers in date formats marked as dates. Sheet data and shared strings are parsed in pieces.
// Throws DataError naming the file and what is wrong with it.
WorkbookData readXlsx(const QString &path);

// Where the workbook part of the package lies ("xl/workbook.xml" as a rule).
QString workbookEntry(const ZipArchive &archive, const QString &fileName);
// A relationship target resolved against the folder of the part that names it.
QString resolvePart(const QString &fromPart, const QString &target);
// Text of a shared or inline string with the _xHHHH_ escapes of control characters undone.
QString unescapeOoxml(const QString &text);

} // namespace vrl::workbook
