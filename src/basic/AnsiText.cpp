#include "basic/AnsiText.h"

#include <QTextCodec>

#include <array>
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

// The code page as a table from UTF-16 code units to bytes, taken once from the toolkit's
// codec: a character is written exactly when it reads back as itself. Exports write millions
// of values, and a table lookup per character keeps that cheap and the replacements counted.
struct AnsiTable
{
    static constexpr quint16 kMissing = 0xFFFF;
    std::array<quint16, 0x10000> byteOf;

    AnsiTable()
    {
        byteOf.fill(kMissing);
        QTextCodec *codec = ansiCodec();
        for (int byte = 0; byte < 256; ++byte) {
            const char one = char(byte);
            const QString decoded = codec->toUnicode(&one, 1);
            // The toolkit reads the five bytes the code page leaves undefined (0x81, 0x83,
            // 0x88, 0x90, 0x98) as the control characters of the same number; no reader of
            // windows-1250 takes them back, so those characters count as missing.
            const bool undefined = byte >= 0x80 && byte < 0xA0 && decoded.size() == 1
                && decoded[0].unicode() == byte;
            if (decoded.size() == 1 && decoded[0] != QChar::ReplacementCharacter
                && !decoded[0].isSurrogate() && !undefined)
                byteOf[decoded[0].unicode()] = quint16(byte);
        }
    }
};

const AnsiTable &ansiTable()
{
    static const AnsiTable table;
    return table;
}

// Writes the text in the code page to out, which has room for text.size() bytes; returns the
// bytes written and counts the characters written as "?".
size_t encodeAnsi(QStringView text, char *out, qsizetype &replaced)
{
    const AnsiTable &table = ansiTable();
    char *const start = out;
    const QChar *in = text.data();
    const QChar *const end = in + text.size();
    while (in < end) {
        const char16_t unit = in->unicode();
        const quint16 byte = table.byteOf[unit];
        if (byte != AnsiTable::kMissing) {
            *out++ = char(byte);
            ++in;
            continue;
        }
        // A surrogate pair is one character, and one "?".
        if (QChar::isHighSurrogate(unit) && in + 1 < end && in[1].isLowSurrogate())
            ++in;
        ++in;
        *out++ = '?';
        ++replaced;
    }
    return size_t(out - start);
}

[[noreturn]] void fail(const QString &what, const QFile &file)
{
    throw std::runtime_error((what + QStringLiteral(" ") + file.fileName() + QStringLiteral(" (")
                              + file.errorString() + QStringLiteral(")"))
                                 .toStdString());
}

// Bytes gathered before they go to the file.
constexpr size_t kBufferSize = 1 << 16;

} // namespace

QByteArray toAnsi(QStringView text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    qsizetype replaced = 0;
    bytes.truncate(qsizetype(encodeAnsi(text, bytes.data(), replaced)));
    return bytes;
}

QString fromAnsi(const QByteArray &bytes)
{
    return ansiCodec()->toUnicode(bytes);
}

bool ansiHolds(char32_t character)
{
    return character < 0x10000 && ansiTable().byteOf[character] != AnsiTable::kMissing;
}

qsizetype ansiMissingCount(QStringView text)
{
    const AnsiTable &table = ansiTable();
    qsizetype missing = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (table.byteOf[text[i].unicode()] != AnsiTable::kMissing)
            continue;
        ++missing;
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
    }
    return missing;
}

QString ansiReplacedWarning(qsizetype replaced)
{
    return QStringLiteral("POZOR: %1 znak(ů) nelze zapsat v kódování windows-1250,\r\n"
                          "v souboru jsou nahrazeny znakem '?'.")
        .arg(replaced);
}

AnsiTextWriter::AnsiTextWriter(const QString &path, Mode mode)
    : m_file(path)
{
    ansiTable(); // a missing code page fails before the file is touched
    const QIODevice::OpenMode how = mode == Mode::Append ? QIODevice::Append : QIODevice::Truncate;
    if (!m_file.open(QIODevice::WriteOnly | how | QIODevice::Unbuffered))
        fail(QStringLiteral("Soubor nelze otevřít pro zápis:"), m_file);
    m_buffer.resize(kBufferSize);
}

AnsiTextWriter::~AnsiTextWriter()
{
    if (!m_file.isOpen())
        return;
    // What was written so far stays on disk, also after a failure.
    try {
        flushBuffer();
    } catch (const std::exception &) { }
    m_file.close();
}

void AnsiTextWriter::write(QStringView text)
{
    const size_t room = size_t(text.size());
    if (m_used + room > m_buffer.size()) {
        flushBuffer();
        if (room > m_buffer.size())
            m_buffer.resize(room);
    }
    m_used += encodeAnsi(text, m_buffer.data() + m_used, m_replaced);
}

void AnsiTextWriter::writeLine(QStringView line)
{
    write(line);
    write(u"\r\n");
}

void AnsiTextWriter::flushBuffer()
{
    if (m_used == 0)
        return;
    const qint64 written = m_file.write(m_buffer.data(), qint64(m_used));
    const bool complete = written == qint64(m_used);
    m_used = 0;
    if (!complete)
        fail(QStringLiteral("Do souboru nelze zapisovat:"), m_file);
}

void AnsiTextWriter::close()
{
    flushBuffer();
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
