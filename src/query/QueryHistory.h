#pragma once

#include <QString>
#include <QStringList>

namespace vrl {

// The query history: a windows-1250 text file in the program folder's history folder, named
// after the login preset's text with the extension ".vrh", that only grows. Each saved
// statement is one record: "#_" + table + "_" + date stamp, the statement's lines that are not
// empty, and "*". Nothing is escaped: the records are for reading, not for parsing.

QString historyFilePath(const QString &presetText);
QStringList historyRecord(const QString &tableName, const QString &dateStamp,
                          const QStringList &editorLines);
// Appends a record, creating the history folder with its missing parents and the file when
// the file does not exist yet. Returns the characters written as "?"; throws
// std::runtime_error with a Czech message when the folder or the file cannot be written.
qsizetype appendHistoryRecord(const QString &path, const QStringList &record);

} // namespace vrl
