#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QProgressBar;

namespace vrl {

class Dataset;
struct FileDialog;

// The STV import: a windows-1250 text file whose first line names the target fields, whose
// second line gives their types, and whose further lines hold one row each, all separated by
// ";" without quoting. Every data line becomes one INSERT statement on the main connection.

// What an import ended with.
namespace StvStatus {
constexpr quint8 Read = 0; // the file was read to its end
constexpr quint8 NoTable = 1; // the target table's fields could not be read
constexpr quint8 NoFile = 2; // no file was chosen
constexpr quint8 BadHeader = 3; // the header line or the type line is wrong
constexpr quint8 Stopped = 4; // the user stopped after a failed line
} // namespace StvStatus

// The type codes of the type line; 0 for a name that is none of them.
enum StvType {
    StvUnknown,
    StvBoolean,
    StvCurrency,
    StvDateTime,
    StvFloat,
    StvInteger,
    StvString,
    StvVariant
};
int StvTypeCode(const QString &name);

// The pieces of a line: up to each ";", the rest last; a line ending in ";" has no empty last
// piece and an empty line none at all.
QStringList CutStvLine(const QString &line);

// The number text of a currency value: characters up to code 255 that are no digit, sign,
// comma or point go, commas become points, and ".00" is added when no point is left.
QString NormalizeNumber(const QString &text);

// The SQL literal of column i of a data line by its type; a missing value gets the type's
// default. Nothing else than a literal leaves here: an integer, float or currency value that is
// no number (blanks at its ends aside), or a variant value that is no single literal, gives
// nothing, and its line must not be sent. With nationalText (SQL Server), STRING and DATETIME
// texts are written N'...', so that a server whose collation is not Central European keeps
// every character the file holds.
std::optional<QString> CSVValueToSQL(const QList<int> &types, const QStringList &values, int i,
                                     bool nationalText = false);

// Why the value of a field of the given type was refused, for the user.
QString StvRefusal(int type, const QString &field, const QString &value);

// Whether the header names and type names fit the target fields: both present, as many types
// as names, and every name a part of the target field names written as one text (joined with
// commas, a name with a blank, comma or double quote in double quotes).
bool StvHeaderFits(const QStringList &header, const QStringList &typeNames,
                   const QStringList &targetFields);

// The INSERT statement of one data line: head, column list and values, separated by single
// carriage returns; nothing when a value is no literal of its type, and then refusal (when
// given) says why.
std::optional<QString> StvInsertStatement(const QString &table, const QStringList &header,
                                          const QList<int> &types, const QStringList &values,
                                          QString *refusal = nullptr, bool nationalText = false);

// Runs the whole import into the table: learns its fields through the query dataset, asks for
// the file with the dialog, checks the header and sends one INSERT per data line, with the
// separator warning and the question after a failed line. On a SQL Server connection the
// table goes into the statements in brackets ([schema].[name]) and texts as N'...'. Returns
// the status; count tells the rows inserted.
quint8 ImportCSVFile(const QString &table, Dataset &query, FileDialog &dialog, QProgressBar &gauge,
                     qint32 &count);

} // namespace vrl
