#include "query/ExportForms.h"

#include "basic/AnsiText.h"

#include <algorithm>

namespace vrl {

namespace {

constexpr QStringView kLineEnd = u"\r\n";

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

// A value between double quotes and followed by ";": a semicolon becomes a blank, since
// users rely on it, and a double quote is doubled, as spreadsheet programs read it.
void writeCsvField(ExportOutput &out, QStringView value)
{
    const auto special = [](QChar c) {
        return c == u';' || c == u'"';
    };
    out.write(u"\"");
    if (std::none_of(value.begin(), value.end(), special)) {
        out.write(value);
    } else {
        QString changed;
        changed.reserve(value.size() + 8);
        for (const QChar c : value) {
            if (c == u';')
                changed += u' ';
            else if (c == u'"')
                changed += u"\"\"";
            else
                changed += c;
        }
        out.write(changed);
    }
    out.write(u"\";");
}

void writeInListValue(ExportOutput &out, QStringView value, bool doubleBackslashes)
{
    out.write(u"'");
    if (!value.contains(u'\'') && !(doubleBackslashes && value.contains(u'\\'))) {
        out.write(value);
    } else {
        QString doubled = value.toString();
        if (doubleBackslashes)
            doubled.replace(u'\\', QStringLiteral("\\\\"));
        out.write(doubled.replace(u'\'', QStringLiteral("''")));
    }
    out.write(u"'");
}

// A value as element content: &, <, > and CR escaped, characters outside the code page as
// numeric character references.
void writeXmlContent(ExportOutput &out, QStringView value)
{
    // Markup, CR, and the control characters that XML has no place for, not even as a
    // reference.
    const auto markup = [](QChar c) {
        return c == u'&' || c == u'<' || c == u'>' || (c < u' ' && c != u'\t' && c != u'\n');
    };
    const auto plain = [&](QChar c) {
        return !markup(c) && ansiHolds(c.unicode());
    };
    if (std::none_of(value.begin(), value.end(), markup) && ansiMissingCount(value) == 0) {
        out.write(value);
        return;
    }
    QString escaped;
    escaped.reserve(value.size() + 16);
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (plain(c)) {
            escaped += c;
        } else if (c == u'&') {
            escaped += u"&amp;";
        } else if (c == u'<') {
            escaped += u"&lt;";
        } else if (c == u'>') {
            escaped += u"&gt;";
        } else {
            // A reader keeps a CR only when it comes as a reference; other characters need
            // one because the code page has no byte for them.
            char32_t code = c.unicode();
            if (c.isHighSurrogate() && i + 1 < value.size() && value[i + 1].isLowSurrogate())
                code = QChar::surrogateToUcs4(c, value[++i]);
            else if (c.isSurrogate() || (code < u' ' && code != u'\r') || code >= 0xFFFE)
                code = QChar::ReplacementCharacter; // no character a reader accepts
            escaped += QStringLiteral("&#%1;").arg(uint(code));
        }
    }
    out.write(escaped);
}

} // namespace

void writeCsv(const QStringList &names, const ExportRows &rows, ExportOutput &out)
{
    for (const QString &name : names) {
        const bool special = std::any_of(name.begin(), name.end(), [](QChar c) {
            return c == u';' || c == u'"' || c == u'\r' || c == u'\n';
        });
        if (special) {
            writeCsvField(out, name);
        } else {
            out.write(name);
            out.write(u";");
        }
    }
    out.write(kLineEnd);
    const int fields = int(names.size());
    QString scratch;
    for (int row = 0; row < rows.count; ++row) {
        for (int field = 0; field < fields; ++field)
            writeCsvField(out, rows.text(row, field, scratch));
        out.write(kLineEnd);
        out.recordWritten(row + 1, rows.count);
    }
    out.write(kLineEnd);
}

void writeInList(const QStringList &names, const ExportRows &rows, ExportOutput &out,
                 bool doubleBackslashes)
{
    out.write(u"LINE EXPORT");
    out.write(kLineEnd);
    QString scratch;
    const auto first = [&](int row) {
        return names.isEmpty() ? QStringView() : rows.text(row, 0, scratch);
    };
    // The first value is written before any record is looked at, so an empty result gives
    // the empty text.
    out.write(u"(");
    writeInListValue(out, rows.count > 0 ? first(0) : QStringView(), doubleBackslashes);
    if (rows.count > 0)
        out.recordWritten(1, rows.count);
    for (int row = 1; row < rows.count; ++row) {
        out.write(u",");
        out.write(kLineEnd);
        writeInListValue(out, first(row), doubleBackslashes);
        out.recordWritten(row + 1, rows.count);
    }
    out.write(u")");
    out.write(kLineEnd);
}

int writeXml(const QStringList &names, const ExportRows &rows, ExportOutput &out)
{
    out.write(u"<?xml version=\"1.0\" encoding=\"windows-1250\" ?>\r\n<data>\r\n");
    QStringList opening;
    QStringList closing;
    for (const QString &name : names) {
        const QString element = xmlElementName(name);
        opening << QLatin1Char('<') + element + QLatin1Char('>');
        closing << QStringLiteral("</") + element + QStringLiteral(">\r\n");
    }
    QString scratch;
    int written = 0;
    for (int row = 0; row < rows.count; ++row) {
        out.write(u"<item>\r\n");
        for (int field = 0; field < int(names.size()); ++field) {
            out.write(opening[field]);
            writeXmlContent(out, rows.text(row, field, scratch));
            out.write(closing[field]);
        }
        out.write(u"</item>\r\n");
        ++written;
        out.recordWritten(row + 1, rows.count);
    }
    out.write(u"</data>\r\n");
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

} // namespace vrl
