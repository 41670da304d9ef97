#pragma once

#include "access/Value.h"

#include <QString>
#include <QStringList>

#include <vector>

class QPlainTextEdit;

namespace vrl {

class Dataset;

// What running a statement gave; callers compare against these numbers.
namespace QueryResult {
constexpr quint8 OpenedEmpty = 0; // a result set with no record
constexpr quint8 OpenedOne = 1; // exactly one record
constexpr quint8 OpenedMany = 2; // more records; the cursor is on the first
constexpr quint8 ChangedNone = 3; // a statement that changed no row
constexpr quint8 ChangedOne = 4;
constexpr quint8 ChangedMany = 5;
// The provider gave no count, or counted none for a statement that changes no rows by its
// nature (editor statements only).
constexpr quint8 ChangedUnknown = 6;
constexpr quint8 Failed = 7; // an error, already shown; for simple statements also no count
} // namespace QueryResult

// Runs one statement on a query dataset and says what it did. A statement that returns a
// result set opens it, whatever its case, leading blanks or comments; any other is executed.
// The dataset's filter is dropped first. Errors are shown with the statement and give Failed.
// Parameters go into the statement's "?" marks, in order.
quint8 OpenOrExecXSimpleQuery(Dataset &query, const QString &statement,
                              std::vector<Value> parameters = {});

// The same for the lines of the SQL editor, each ended by CR LF; the record count or the
// rows-affected count of the path taken is handed back (both start at 0).
quint8 OpenOrExecMemoQuery(Dataset &query, const QPlainTextEdit &memo, qint32 &recordCount,
                           qint32 &rowsAffected);

// The lines of an editor as the user sees them, and as its checks and its runner both read
// them: a line separator or paragraph separator inside a block ends a line, a no-break space is
// a blank. None when it is empty; a line break at the very end starts no further line.
QStringList MemoLines(const QPlainTextEdit &memo);

// Breaks a text for a message box: after a blank, comma or semicolon once a line holds at
// least width characters, CR LF is inserted; nothing else changes.
QString BreakLongLines(const QString &text, quint8 width);

// A field value as a number, NULL as 0, in double precision; throws DataError for a text that
// is no number.
double VarToDoubleOrZero(const Value &value);

// Text in apostrophes, apostrophes inside doubled: 'O''Brien'.
QString quotedText(const QString &text);

} // namespace vrl
