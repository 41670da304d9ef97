#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace vrl {

// The rows an export writes: how many there are, and the text form of a value (NULL gives the
// empty text), read where the row lies, without moving a cursor. The text may lie in scratch,
// which the next call may overwrite.
struct ExportRows
{
    int count = 0;
    std::function<QStringView(int row, int field, QString &scratch)> text;
};

// Where the text of an export goes, in pieces with their CR LF line ends; told after each
// record, so that a gauge can follow.
class ExportOutput
{
public:
    virtual void write(QStringView text) = 0;
    virtual void recordWritten(int done, int count)
    {
        Q_UNUSED(done);
        Q_UNUSED(count);
    }

protected:
    ~ExportOutput() = default;
};

// The three forms of the result export. Each writes the header, every record and the trailer
// of its form for the field names and the rows.

// Semicolon-separated: the names each followed by ";", then each value between double quotes
// and followed by ";" (a semicolon in a value becomes a blank, a double quote is doubled),
// then an empty line. A name holding a semicolon, a double quote or a line break is written
// as a value is, so that it keeps its column; other names stay as they are.
void writeCsv(const QStringList &names, const ExportRows &rows, ExportOutput &out);
// "LINE EXPORT", then the first field's values between apostrophes (doubled inside), one to a
// line, joined by commas and enclosed in parentheses. An empty result gives (''). For a
// server that reads a backslash in a literal as an escape (MySQL, MariaDB), each backslash is
// doubled, so that the list finds the values when it is pasted back into a statement.
void writeInList(const QStringList &names, const ExportRows &rows, ExportOutput &out,
                 bool doubleBackslashes = false);
// A flat XML document in windows-1250: <data>, an <item> per record with an element per
// field. Returns the records written. In values &, <, > and CR are escaped and characters
// outside the code page become numeric character references, so that nothing is lost; only
// the control characters that XML cannot carry at all become U+FFFD.
int writeXml(const QStringList &names, const ExportRows &rows, ExportOutput &out);

// A field name made a valid element name: each character a name may not hold (or that the
// code page cannot hold, since a name cannot be escaped) becomes "_", and a name that does not
// start with a letter or "_" gets a leading "_".
QString xmlElementName(const QString &fieldName);

} // namespace vrl
