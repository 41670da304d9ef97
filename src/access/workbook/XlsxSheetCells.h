#pragma once

#include "access/workbook/WorkbookData.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace vrl::workbook {

class ZipArchive;

// Reads the cells of a worksheet part into the sheet, whose cells have their room reserved;
// texts of its own are numbered apart from the shared strings until joinSharedTexts. Its rows
// are read by the quick reader (XmlQuickReader.h) where they hold only what it knows;
// otherwise by expat, a sheet of 200,000 cells and more (as that room tells) by two parsers at
// once.
void readSheetCells(const ZipArchive &archive, const QString &part, WorkbookData &book,
                    Sheet &sheet, const std::vector<bool> &dateStyles, const QString &fileName);

// The shared strings first, then the sheets' own texts; a cell that names a shared string the
// workbook does not have is left out, as an empty cell.
void joinSharedTexts(WorkbookData &book, QStringList shared);

} // namespace vrl::workbook
