#include "access/workbook/XmlStream.h"

#include "access/DataError.h"
#include "access/workbook/ZipArchive.h"

#include <expat.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>
#include <new>

namespace vrl::workbook {

namespace {

struct ParseState
{
    const XmlHandlers *handlers;
    XML_Parser parser;
    std::exception_ptr failure;
};

void XMLCALL onStart(void *data, const XML_Char *name, const XML_Char **attributes)
{
    auto *state = static_cast<ParseState *>(data);
    if (state->failure || !state->handlers->start)
        return;
    try {
        state->handlers->start(XmlAttributes::localName(name), XmlAttributes(attributes));
    } catch (...) {
        state->failure = std::current_exception();
        XML_StopParser(state->parser, XML_FALSE);
    }
}

void XMLCALL onEnd(void *data, const XML_Char *name)
{
    auto *state = static_cast<ParseState *>(data);
    if (state->failure || !state->handlers->end)
        return;
    try {
        state->handlers->end(XmlAttributes::localName(name));
    } catch (...) {
        state->failure = std::current_exception();
        XML_StopParser(state->parser, XML_FALSE);
    }
}

void XMLCALL onText(void *data, const XML_Char *text, int length)
{
    auto *state = static_cast<ParseState *>(data);
    if (!state->failure && state->handlers->text)
        state->handlers->text(text, length);
}

} // namespace

// The parser does not resolve namespaces: the parts of a workbook are told apart by their
// elements' local names alone, and resolving them spelled out every name with its namespace
// (6 % of reading a large sheet).
const char *XmlAttributes::localName(const char *name)
{
    const char *colon = std::strchr(name, ':');
    return colon ? colon + 1 : name;
}

bool XmlAttributes::declaresNamespace(const char *name)
{
    return std::strncmp(name, "xmlns", 5) == 0 && (name[5] == '\0' || name[5] == ':');
}

const char *XmlAttributes::value(const char *name) const
{
    for (const char **p = m_pairs; p && *p; p += 2) {
        if (std::strcmp(localName(*p), name) == 0 && !declaresNamespace(*p))
            return p[1];
    }
    return nullptr;
}

QString XmlAttributes::text(const char *name) const
{
    const char *found = value(name);
    return found ? QString::fromUtf8(found) : QString();
}

namespace {

using ParserHandle = std::unique_ptr<XML_ParserStruct, decltype(&XML_ParserFree)>;

ParserHandle parserFor(ParseState &state)
{
    ParserHandle parser(XML_ParserCreate(nullptr), &XML_ParserFree);
    if (!parser)
        throw std::bad_alloc();
    state.parser = parser.get();
    XML_SetUserData(parser.get(), &state);
    XML_SetElementHandler(parser.get(), onStart, onEnd);
    XML_SetCharacterDataHandler(parser.get(), onText);
    return parser;
}

// How much of a document in memory the parser is given at a time. expat copies what it is
// given into a buffer of its own before parsing it: in steps of 256 KB that buffer stays small
// and in the cache; given a whole sheet at once, it is as large as the sheet, every page of it
// fresh (and beyond an int's worth it cannot be given at once at all).
constexpr size_t kParseStep = size_t(256) << 10;

} // namespace

struct XmlPieceParser::State
{
    ParseState parse;
    ParserHandle parser;
    bool broken = false;
};

XmlPieceParser::XmlPieceParser(const XmlHandlers &handlers)
    : m_state(new State { { &handlers, nullptr, nullptr }, ParserHandle(nullptr, &XML_ParserFree) })
{
    m_state->parser = parserFor(m_state->parse);
}

XmlPieceParser::~XmlPieceParser() = default;

bool XmlPieceParser::feed(std::string_view piece, bool last)
{
    State &state = *m_state;
    do {
        const size_t step = std::min(piece.size(), kParseStep);
        const bool end = last && step == piece.size();
        state.broken = state.broken
            || XML_Parse(state.parser.get(), piece.data(), int(step), end ? XML_TRUE : XML_FALSE)
                == XML_STATUS_ERROR;
        piece.remove_prefix(step);
    } while (!piece.empty() && !state.broken && !state.parse.failure);
    if (state.parse.failure)
        std::rethrow_exception(state.parse.failure);
    return !state.broken;
}

bool parseXmlPieces(const std::vector<std::string_view> &pieces, bool complete,
                    const XmlHandlers &handlers)
{
    XmlPieceParser parser(handlers);
    for (size_t i = 0; i < pieces.size(); ++i) {
        if (!parser.feed(pieces[i], complete && i + 1 == pieces.size()))
            return false;
    }
    return true;
}

namespace {

using Consumer = std::function<void(const char *, qsizetype)>;

// Parses what source hands to its consumer, in order, as one document.
void parseXmlFrom(const std::function<void(const Consumer &)> &source, const QString &entry,
                  const XmlHandlers &handlers, const QString &fileName)
{
    ParseState state { &handlers, nullptr, nullptr };
    const ParserHandle parser = parserFor(state);
    bool broken = false;
    const auto feed = [&](const char *data, int size, bool last) {
        if (broken || state.failure)
            return;
        broken
            = XML_Parse(parser.get(), data, size, last ? XML_TRUE : XML_FALSE) == XML_STATUS_ERROR;
    };
    source([&](const char *data, qsizetype size) { feed(data, int(size), false); });
    feed(nullptr, 0, true);
    if (state.failure)
        std::rethrow_exception(state.failure);
    if (broken)
        throw DataError(
            QStringLiteral("Sešit %1 je poškozen: část %2 není platné XML (%3, řádek %4).")
                .arg(fileName, entry,
                     QString::fromLatin1(XML_ErrorString(XML_GetErrorCode(parser.get()))))
                .arg(XML_GetCurrentLineNumber(parser.get())));
}

} // namespace

void parseXml(const ZipArchive &archive, const QString &entry, const XmlHandlers &handlers,
              const QString &fileName)
{
    parseXmlFrom([&](const Consumer &consume) { archive.stream(entry, consume); }, entry, handlers,
                 fileName);
}

void parseXml(std::string_view bytes, const QString &entry, const XmlHandlers &handlers,
              const QString &fileName)
{
    parseXmlFrom(
        [&](const Consumer &consume) {
            for (std::string_view left = bytes; !left.empty();) {
                const size_t step = std::min(left.size(), kParseStep);
                consume(left.data(), qsizetype(step));
                left.remove_prefix(step);
            }
        },
        entry, handlers, fileName);
}

} // namespace vrl::workbook
