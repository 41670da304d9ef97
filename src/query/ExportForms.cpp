#include "query/ExportForms.h"

#include "basic/AnsiText.h"

#include <algorithm>

namespace vrl {

namespace {

const QString kLineEnd = QStringLiteral("\r\n");

// The characters of XML 1.0 names, without the colon, which a namespace-aware reader takes
// for a prefix.
bool isNameStart(char32_t c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || (c >= 0xC0 && c <= 0xD6)
        || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) || (c >= 0x370 && c <= 0x37D)
        || (c >= 0x37F && c <= 0x1FFF) || (c >= 0x200C && c <= 0x200D)
        || (c >= 0x2070 && c <= 0x218F) || (c >= 0x2C00 && c <= 0x2FEF)
        || (c >= 0x3001 && c <= 0xD7FF) || (c >= 0xF900 && c <= 0xFDCF)
        || (c >= 0xFDF0 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0xEFFFF);
}

bool isNameChar(char32_t c)
{
    return isNameStart(c) || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7
        || (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

void appendCsvField(QString &line, const QString &value)
{
    line += QLatin1Char('"');
    for (const QChar c : value) {
        if (c == QLatin1Char(';'))
            line += QLatin1Char(' ');
        else if (c == QLatin1Char('"'))
            line += QStringLiteral("\"\"");
        else
            line += c;
    }
    line += QStringLiteral("\";");
}

QString quotedInList(QString value)
{
    return QLatin1Char('\'') + value.replace(QLatin1Char('\''), QStringLiteral("''"))
        + QLatin1Char('\'');
}

} // namespace

void writeCsv(const QStringList &names, const ExportRows &rows, ExportOutput &out)
{
    QString line;
    for (const QString &name : names)
        line += name + QLatin1Char(';');
    out.write(line + kLineEnd);
    const int fields = int(names.size());
    for (int row = 0; row < rows.count; ++row) {
        line.clear();
        for (int field = 0; field < fields; ++field)
            appendCsvField(line, rows.text(row, field));
        line += kLineEnd;
        out.write(line);
        out.recordWritten(row + 1, rows.count);
    }
    out.write(kLineEnd);
}

void writeInList(const QStringList &names, const ExportRows &rows, ExportOutput &out)
{
    out.write(QStringLiteral("LINE EXPORT") + kLineEnd);
    const auto first = [&](int row) {
        return names.isEmpty() ? QString() : rows.text(row, 0);
    };
    // The first value is written before any record is looked at, so an empty result gives
    // the empty text.
    out.write(QLatin1Char('(') + quotedInList(rows.count > 0 ? first(0) : QString()));
    if (rows.count > 0)
        out.recordWritten(1, rows.count);
    for (int row = 1; row < rows.count; ++row) {
        out.write(QLatin1Char(',') + kLineEnd + quotedInList(first(row)));
        out.recordWritten(row + 1, rows.count);
    }
    out.write(QLatin1Char(')') + kLineEnd);
}

int writeXml(const QStringList &names, const ExportRows &rows, ExportOutput &out)
{
    out.write(QStringLiteral("<?xml version=\"1.0\" encoding=\"windows-1250\" ?>") + kLineEnd
              + QStringLiteral("<data>") + kLineEnd);
    QStringList opening;
    QStringList closing;
    for (const QString &name : names) {
        const QString element = xmlElementName(name);
        opening << QLatin1Char('<') + element + QLatin1Char('>');
        closing << QStringLiteral("</") + element + QLatin1Char('>') + kLineEnd;
    }
    const QString itemStart = QStringLiteral("<item>") + kLineEnd;
    const QString itemEnd = QStringLiteral("</item>") + kLineEnd;
    QString block;
    int written = 0;
    for (int row = 0; row < rows.count; ++row) {
        block = itemStart;
        for (int field = 0; field < int(names.size()); ++field)
            block += opening[field] + xmlContent(rows.text(row, field)) + closing[field];
        block += itemEnd;
        out.write(block);
        ++written;
        out.recordWritten(row + 1, rows.count);
    }
    out.write(QStringLiteral("</data>") + kLineEnd);
    return written;
}

QString xmlElementName(const QString &fieldName)
{
    QString name;
    bool startsWell = false;
    const QList<uint> characters = fieldName.toUcs4();
    for (const uint c : characters) {
        const bool kept = isNameChar(c) && ansiHolds(c);
        if (name.isEmpty())
            startsWell = !kept || isNameStart(c); // a replaced character starts it with "_"
        if (kept)
            name += QString::fromUcs4(reinterpret_cast<const char32_t *>(&c), 1);
        else
            name += QLatin1Char('_');
    }
    return startsWell ? name : QLatin1Char('_') + name;
}

QString xmlContent(const QString &value)
{
    const auto plain = [](QChar c) {
        return c != QLatin1Char('&') && c != QLatin1Char('<') && c != QLatin1Char('>')
            && c != QLatin1Char('\r') && ansiHolds(c.unicode());
    };
    if (std::all_of(value.begin(), value.end(), plain))
        return value;
    QString escaped;
    escaped.reserve(value.size() + 16);
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (plain(c)) {
            escaped += c;
        } else if (c == QLatin1Char('&')) {
            escaped += QStringLiteral("&amp;");
        } else if (c == QLatin1Char('<')) {
            escaped += QStringLiteral("&lt;");
        } else if (c == QLatin1Char('>')) {
            escaped += QStringLiteral("&gt;");
        } else {
            // A reader keeps a CR only when it comes as a reference; other characters need
            // one because the code page has no byte for them.
            char32_t code = c.unicode();
            if (c.isHighSurrogate() && i + 1 < value.size() && value[i + 1].isLowSurrogate())
                code = QChar::surrogateToUcs4(c, value[++i]);
            else if (c.isSurrogate())
                code = QChar::ReplacementCharacter; // half a pair is no character at all
            escaped += QStringLiteral("&#%1;").arg(uint(code));
        }
    }
    return escaped;
}

} // namespace vrl
