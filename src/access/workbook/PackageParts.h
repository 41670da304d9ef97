#pragma once

#include <QByteArray>
#include <QString>

#include <set>
#include <utility>

namespace vrl::workbook {

// Small edits of the package parts around the sheets, made when cells are written.

// The calculation chain without the entries of cells whose formula a value replaced;
// nowEmpty tells when no entry is left (the part then goes).
QByteArray withoutCalcEntries(const QByteArray &calcChain,
                              const std::set<std::pair<int, QString>> &sheetIdAndCell,
                              bool &nowEmpty);
// An XML document without the empty elements <tag .../> whose start tag contains needle.
QByteArray withoutElements(const QByteArray &xml, const QByteArray &tag, const QByteArray &needle);
// workbook.xml with the workbook-level name's range reaching down to lastRow (from 0).
QByteArray withGrownRange(const QByteArray &workbook, const QString &name, int lastRow);

} // namespace vrl::workbook
