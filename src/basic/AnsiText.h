#pragma once

#include <QFile>
#include <QString>
#include <QStringList>

#include <vector>

namespace vrl {

// Text files of the program: 8-bit windows-1250 text without a byte order mark. Written lines
// end with CR LF; read lines may end with CR LF or LF. A character that the code page cannot
// hold is written as "?" (one for a character outside the basic plane too), and counted, so
// that a command can tell the user what was lost.

// Writes text piece by piece or line by line (exports, history). Failures throw
// std::runtime_error with a Czech message naming the file.
class AnsiTextWriter
{
public:
    enum class Mode { Replace, Append };
    AnsiTextWriter(const QString &path, Mode mode);
    ~AnsiTextWriter();

    void write(QStringView text); // no line end of its own
    void writeLine(QStringView line);
    void close(); // flushes; a failure to write shows here at the latest

    // Characters written as "?" so far.
    qsizetype replacedCount() const { return m_replaced; }

private:
    void flushBuffer();

    QFile m_file;
    // Bytes gathered before they go to the file; m_used of them are taken.
    std::vector<char> m_buffer;
    size_t m_used = 0;
    qsizetype m_replaced = 0;
};

QByteArray toAnsi(QStringView text);
QString fromAnsi(const QByteArray &bytes);
// Whether the code page holds a character (a code point, so that one outside the basic plane
// is asked about as a whole).
bool ansiHolds(char32_t character);
// How many characters of a text the code page cannot hold.
qsizetype ansiMissingCount(QStringView text);
// The warning after a file was written with characters replaced by "?".
QString ansiReplacedWarning(qsizetype replaced);

void writeAnsiLines(const QString &path, const QStringList &lines,
                    AnsiTextWriter::Mode mode = AnsiTextWriter::Mode::Replace);
QStringList readAnsiLines(const QString &path);

} // namespace vrl
