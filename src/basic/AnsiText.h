#pragma once

#include <QFile>
#include <QString>
#include <QStringList>

#include <memory>

class QTextCodec;

namespace vrl {

// Text files of the program: 8-bit windows-1250 text without a byte order mark. Written lines
// end with CR LF; read lines may end with CR LF or LF. Characters that the code page cannot
// hold are written as "?".

// Writes lines one by one (exports, history). Failures throw std::runtime_error with a Czech
// message naming the file.
class AnsiTextWriter
{
public:
    enum class Mode { Replace, Append };
    AnsiTextWriter(const QString &path, Mode mode);
    ~AnsiTextWriter();

    void writeLine(const QString &line);
    void close(); // flushes; a failure to write shows here at the latest

private:
    QFile m_file;
    QTextCodec *m_codec;
};

QByteArray toAnsi(const QString &text);
QString fromAnsi(const QByteArray &bytes);

void writeAnsiLines(const QString &path, const QStringList &lines,
                    AnsiTextWriter::Mode mode = AnsiTextWriter::Mode::Replace);
QStringList readAnsiLines(const QString &path);

} // namespace vrl
