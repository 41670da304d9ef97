// The content of one element read without expat. expat spends most of a large sheet's reading
// on what a sheet never holds (its buffers, entity accounting, names looked up in tables); this
// reader takes the bytes where they lie and stops at the first thing it does not know, which
// then goes to expat whole. What it accepts is well-formed XML, checked as strictly as expat
// checks it: names, quoting, one value per attribute name, matching end tags, characters XML
// allows in valid UTF-8, known references.
#include "access/workbook/XmlQuickReader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace vrl::workbook {

namespace {

bool isNameStart(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':';
}

bool isNameChar(unsigned char c)
{
    return isNameStart(c) || (c >= '0' && c <= '9') || c == '.' || c == '-';
}

bool isSpace(unsigned char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The bytes that end a plain run of text: markup, references, "]" (of a forbidden "]]>"), CR
// (which XML turns into LF), the control characters XML does not allow, and the lead of a
// character beyond ASCII (checked apart).
constexpr std::array<bool, 256> kTextStops = [] {
    std::array<bool, 256> stops {};
    for (int c = 0; c < 0x20; ++c)
        stops[size_t(c)] = c != '\t' && c != '\n';
    for (int c = 0x80; c < 0x100; ++c)
        stops[size_t(c)] = true;
    stops['<'] = stops['&'] = stops[']'] = true;
    return stops;
}();

// The length of the UTF-8 sequence at p if it encodes a character XML allows (no surrogate,
// U+FFFE or U+FFFF, no overlong form); 0 otherwise.
int xmlCharLength(const unsigned char *p, const unsigned char *end)
{
    const unsigned char b = p[0];
    const auto continues = [&](int i) {
        return p + i < end && (p[i] & 0xC0) == 0x80;
    };
    if (b >= 0xC2 && b <= 0xDF)
        return continues(1) ? 2 : 0;
    if (b >= 0xE0 && b <= 0xEF) {
        if (!continues(1) || !continues(2) || (b == 0xE0 && p[1] < 0xA0)
            || (b == 0xED && p[1] >= 0xA0)
            || (b == 0xEF && p[1] == 0xBF && (p[2] == 0xBE || p[2] == 0xBF)))
            return 0;
        return 3;
    }
    if (b >= 0xF0 && b <= 0xF4) {
        if (!continues(1) || !continues(2) || !continues(3) || (b == 0xF0 && p[1] < 0x90)
            || (b == 0xF4 && p[1] >= 0x90))
            return 0;
        return 4;
    }
    return 0;
}

bool isXmlChar(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF)
        || (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

size_t appendUtf8(char *out, char32_t c)
{
    if (c < 0x80) {
        out[0] = char(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = char(0xC0 | (c >> 6));
        out[1] = char(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = char(0xE0 | (c >> 12));
        out[1] = char(0x80 | ((c >> 6) & 0x3F));
        out[2] = char(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = char(0xF0 | (c >> 18));
    out[1] = char(0x80 | ((c >> 12) & 0x3F));
    out[2] = char(0x80 | ((c >> 6) & 0x3F));
    out[3] = char(0x80 | (c & 0x3F));
    return 4;
}

class ContentReader
{
public:
    ContentReader(std::string_view content, std::string_view outer, const XmlHandlers &handlers)
        : m_p(reinterpret_cast<const unsigned char *>(content.data()))
        , m_begin(m_p)
        , m_end(m_p + content.size())
        , m_outer(outer)
        , m_handlers(handlers)
    { }

    // Where the outer element's end tag begins in the content; npos when the content holds
    // what this reader does not know, or no such end.
    size_t read()
    {
        while (m_p < m_end) {
            if (!readText())
                return std::string_view::npos;
            if (m_p == m_end)
                break;
            if (*m_p == '&') {
                if (!readReference())
                    return std::string_view::npos;
                continue;
            }
            // At '<'.
            if (m_p + 1 >= m_end)
                break;
            if (m_p[1] == '/') {
                const unsigned char *tag = m_p;
                const std::string_view name = endTag();
                if (name.empty())
                    return std::string_view::npos;
                if (m_open.empty())
                    return name == m_outer ? size_t(tag - m_begin) : std::string_view::npos;
                if (name != m_open.back())
                    return std::string_view::npos;
                m_open.pop_back();
                end(name);
            } else if (!startTag()) {
                return std::string_view::npos;
            }
        }
        return std::string_view::npos;
    }

private:
    // A run of text up to the next markup or reference; false at what is not allowed there.
    bool readText()
    {
        const unsigned char *start = m_p;
        while (m_p < m_end) {
            const unsigned char c = *m_p;
            if (!kTextStops[c]) {
                ++m_p;
            } else if (c == ']') {
                if (m_end - m_p >= 3 && m_p[1] == ']' && m_p[2] == '>')
                    return false;
                ++m_p;
            } else if (c >= 0x80) {
                const int length = xmlCharLength(m_p, m_end);
                if (length == 0)
                    return false;
                m_p += length;
            } else if (c == '<' || c == '&') {
                break;
            } else {
                return false; // CR or a control character
            }
        }
        if (m_p > start && m_handlers.text)
            m_handlers.text(reinterpret_cast<const char *>(start), int(m_p - start));
        return true;
    }

    // &amp; &lt; &gt; &quot; &apos; &#n; &#xh; as the character they stand for.
    bool readReference()
    {
        const unsigned char *semicolon = static_cast<const unsigned char *>(
            std::memchr(m_p, ';', size_t(std::min<ptrdiff_t>(m_end - m_p, 12))));
        if (!semicolon)
            return false;
        const std::string_view name(reinterpret_cast<const char *>(m_p + 1),
                                    size_t(semicolon - m_p - 1));
        char out[4];
        size_t length = 1;
        if (name == "amp")
            out[0] = '&';
        else if (name == "lt")
            out[0] = '<';
        else if (name == "gt")
            out[0] = '>';
        else if (name == "quot")
            out[0] = '"';
        else if (name == "apos")
            out[0] = '\'';
        else if (name.size() >= 2 && name[0] == '#') {
            const bool hex = name[1] == 'x';
            const std::string_view digits = name.substr(hex ? 2 : 1);
            if (digits.empty())
                return false;
            char32_t code = 0;
            for (const char d : digits) {
                int value;
                if (d >= '0' && d <= '9')
                    value = d - '0';
                else if (hex && d >= 'a' && d <= 'f')
                    value = d - 'a' + 10;
                else if (hex && d >= 'A' && d <= 'F')
                    value = d - 'A' + 10;
                else
                    return false;
                code = code * (hex ? 16 : 10) + char32_t(value);
                if (code > 0x10FFFF)
                    return false;
            }
            if (!isXmlChar(code))
                return false;
            length = appendUtf8(out, code);
        } else {
            return false;
        }
        if (m_handlers.text)
            m_handlers.text(out, int(length));
        m_p = semicolon + 1;
        return true;
    }

    std::string_view name()
    {
        const unsigned char *start = m_p;
        if (m_p >= m_end || !isNameStart(*m_p))
            return {};
        while (m_p < m_end && isNameChar(*m_p))
            ++m_p;
        return std::string_view(reinterpret_cast<const char *>(start), size_t(m_p - start));
    }

    void skipSpace()
    {
        while (m_p < m_end && isSpace(*m_p))
            ++m_p;
    }

    // "</name>", with blanks before its ">"; the name, or empty for what is not one.
    std::string_view endTag()
    {
        m_p += 2;
        const std::string_view found = name();
        skipSpace();
        if (found.empty() || m_p >= m_end || *m_p != '>')
            return {};
        ++m_p;
        return found;
    }

    // "<name attributes>" or "<name attributes/>".
    bool startTag()
    {
        ++m_p;
        const std::string_view element = name();
        if (element.empty())
            return false;
        m_attributes.clear();
        for (;;) {
            const bool spaced = m_p < m_end && isSpace(*m_p);
            skipSpace();
            if (m_p >= m_end)
                return false;
            if (*m_p == '>') {
                ++m_p;
                m_open.push_back(element);
                start(element);
                return true;
            }
            if (*m_p == '/') {
                if (m_p + 1 >= m_end || m_p[1] != '>')
                    return false;
                m_p += 2;
                start(element);
                end(element);
                return true;
            }
            const std::string_view attribute = name();
            if (!spaced || attribute.empty())
                return false;
            skipSpace();
            if (m_p >= m_end || *m_p != '=')
                return false;
            ++m_p;
            skipSpace();
            if (m_p >= m_end || (*m_p != '"' && *m_p != '\''))
                return false;
            const unsigned char quote = *m_p++;
            const unsigned char *value = m_p;
            // A value of printable ASCII without references; anything else goes to expat,
            // which normalises blanks and resolves references in values.
            while (m_p < m_end && *m_p != quote) {
                if (*m_p < 0x20 || *m_p >= 0x80 || *m_p == '<' || *m_p == '&')
                    return false;
                ++m_p;
            }
            if (m_p >= m_end)
                return false;
            for (const auto &[known, knownValue] : m_attributes) {
                if (known == attribute)
                    return false;
            }
            m_attributes.emplace_back(
                attribute,
                std::string_view(reinterpret_cast<const char *>(value), size_t(m_p - value)));
            ++m_p;
        }
    }

    // The handlers take names and values ended by a zero, as expat gives them, and element
    // names without their prefix, as XmlStream hands them on.
    void start(std::string_view element)
    {
        if (!m_handlers.start)
            return;
        m_scratch.clear();
        m_scratch.append(element).push_back('\0');
        for (const auto &[attribute, value] : m_attributes) {
            m_offsets.push_back(m_scratch.size());
            m_scratch.append(attribute).push_back('\0');
            m_offsets.push_back(m_scratch.size());
            m_scratch.append(value).push_back('\0');
        }
        m_pairs.clear();
        for (const size_t offset : m_offsets)
            m_pairs.push_back(m_scratch.data() + offset);
        m_pairs.push_back(nullptr);
        m_offsets.clear();
        m_handlers.start(XmlAttributes::localName(m_scratch.data()), XmlAttributes(m_pairs.data()));
    }

    void end(std::string_view element)
    {
        if (!m_handlers.end)
            return;
        m_scratch.assign(element).push_back('\0');
        m_handlers.end(XmlAttributes::localName(m_scratch.data()));
    }

    const unsigned char *m_p;
    const unsigned char *const m_begin;
    const unsigned char *const m_end;
    const std::string_view m_outer;
    const XmlHandlers &m_handlers;
    std::vector<std::string_view> m_open; // the elements open within the outer one
    std::vector<std::pair<std::string_view, std::string_view>> m_attributes;
    std::string m_scratch;
    std::vector<size_t> m_offsets;
    std::vector<const char *> m_pairs;
};

// The encoding an XML declaration at the start names is UTF-8, or none is named (UTF-8 then).
bool declaresUtf8(std::string_view head)
{
    if (head.substr(0, 3) == "\xEF\xBB\xBF")
        head.remove_prefix(3);
    if (head.substr(0, 5) != "<?xml")
        return true;
    const std::string_view declaration = head.substr(0, head.find("?>"));
    const size_t encoding = declaration.find("encoding");
    if (encoding == std::string_view::npos)
        return true;
    const size_t quote = declaration.find_first_of("\"'", encoding);
    if (quote == std::string_view::npos || quote + 6 > declaration.size())
        return false;
    const std::string_view value = declaration.substr(quote + 1, 5);
    return (value[0] == 'u' || value[0] == 'U') && (value[1] == 't' || value[1] == 'T')
        && (value[2] == 'f' || value[2] == 'F') && value[3] == '-' && value[4] == '8'
        && quote + 6 < declaration.size() && declaration[quote + 6] == declaration[quote];
}

} // namespace

bool readXmlQuickly(std::string_view document, std::string_view element,
                    const XmlHandlers &handlers)
{
    // The element's start tag: "<element" or "<prefix:element", and its attributes. Before
    // it, nothing that could hide a tag (comments, sections, declarations, instructions after
    // the XML declaration), so that the first such text is the tag.
    size_t at = 0, tagStart = 0;
    for (;; at += element.size()) {
        at = document.find(element, at);
        if (at == std::string_view::npos || at == 0)
            return false;
        tagStart = document.rfind('<', at - 1);
        if (tagStart == std::string_view::npos)
            return false;
        const std::string_view prefix = document.substr(tagStart + 1, at - tagStart - 1);
        const bool validPrefix = prefix.empty()
            || (prefix.back() == ':' && prefix.size() > 1 && isNameStart(prefix[0])
                && std::all_of(prefix.begin(), prefix.end() - 1,
                               [](char c) { return isNameChar((unsigned char)(c)); }));
        const size_t after = at + element.size();
        if (validPrefix && after < document.size()
            && (isSpace((unsigned char)(document[after])) || document[after] == '>'))
            break;
    }
    // The end of its start tag, past attributes whose quoted values may hold a ">" (expat
    // checks them with the rest before the content); an empty element has no content to read.
    size_t tagEnd = at + element.size();
    for (char quote = 0; tagEnd < document.size(); ++tagEnd) {
        const char c = document[tagEnd];
        if (quote)
            quote = c == quote ? 0 : quote;
        else if (c == '"' || c == '\'')
            quote = c;
        else if (c == '>')
            break;
    }
    if (tagEnd >= document.size() || document[tagEnd - 1] == '/')
        return false;
    const std::string_view head = document.substr(0, tagEnd + 1);
    const size_t firstTag = head.find('<');
    if (head.find("<!") != std::string_view::npos
        || head.find("<?", firstTag + 1) != std::string_view::npos || !declaresUtf8(head))
        return false;

    XmlPieceParser around(handlers);
    if (!around.feed(head, false))
        return false;
    const std::string_view outer
        = document.substr(tagStart + 1, at + element.size() - tagStart - 1);
    ContentReader content(document.substr(tagEnd + 1), outer, handlers);
    const size_t closing = content.read();
    if (closing == std::string_view::npos)
        return false;
    return around.feed(document.substr(tagEnd + 1 + closing), true);
}

} // namespace vrl::workbook
