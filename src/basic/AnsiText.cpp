#include "basic/AnsiText.h"

#include <QTextCodec>

#include <stdexcept>

namespace vrl {

namespace {

QTextCodec *ansiCodec()
{
    static QTextCodec *const codec = QTextCodec::codecForName("windows-1250");
    if (!codec)
        throw std::runtime_error("Kódová stránka windows-1250 není k dispozici.");
    return codec;
}

[[noreturn]] void fail(const QString &what, const QFile &file)
{
    throw std::runtime_error((what + QStringLiteral(" ") + file.fileName() + QStringLiteral(" (")
                              + file.errorString() + QStringLiteral(")"))
                                 .toStdString());
}

} // namespace

QByteArray toAnsi(const QString &text)
{
    return ansiCodec()->fromUnicode(text);
}

QString fromAnsi(const QByteArray &bytes)
{
    return ansiCodec()->toUnicode(bytes);
}

AnsiTextWriter::AnsiTextWriter(const QString &path, Mode mode)
    : m_file(path)
    , m_codec(ansiCodec())
{
    const QIODevice::OpenMode how = mode == Mode::Append ? QIODevice::Append : QIODevice::Truncate;
    if (!m_file.open(QIODevice::WriteOnly | how))
        fail(QStringLiteral("Soubor nelze otevřít pro zápis:"), m_file);
}

AnsiTextWriter::~AnsiTextWriter()
{
    if (m_file.isOpen())
        m_file.close();
}

void AnsiTextWriter::writeLine(const QString &line)
{
    QByteArray bytes = m_codec->fromUnicode(line);
    bytes.append("\r\n", 2);
    if (m_file.write(bytes) != bytes.size())
        fail(QStringLiteral("Do souboru nelze zapisovat:"), m_file);
}

void AnsiTextWriter::close()
{
    if (!m_file.flush())
        fail(QStringLiteral("Do souboru nelze zapisovat:"), m_file);
    m_file.close();
}

void writeAnsiLines(const QString &path, const QStringList &lines, AnsiTextWriter::Mode mode)
{
    AnsiTextWriter writer(path, mode);
    for (const QString &line : lines)
        writer.writeLine(line);
    writer.close();
}

QStringList readAnsiLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("Soubor nelze otevřít pro čtení:"), file);
    const QByteArray bytes = file.readAll();
    QStringList lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        const qsizetype next = end < 0 ? bytes.size() : end + 1;
        if (end < 0)
            end = bytes.size();
        qsizetype stop = end;
        if (stop > start && bytes[stop - 1] == '\r')
            --stop;
        lines << fromAnsi(bytes.mid(start, stop - start));
        start = next;
    }
    return lines;
}

} // namespace vrl
