#pragma once

#include <QString>
#include <QStringView>

#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace vrl::workbook {

class ZipArchive;

// The attributes of an element as expat passes them: name, value, name, value, ..., nullptr.
class XmlAttributes
{
public:
    explicit XmlAttributes(const char **pairs)
        : m_pairs(pairs)
    { }
    // The value of the attribute with this local name (any namespace), or nullptr.
    const char *value(const char *localName) const;
    QString text(const char *localName) const;
    // Each attribute's local name and value in turn, namespace declarations left out: one pass
    // for an element whose several attributes are wanted.
    template<typename Visit> void forEach(Visit visit) const
    {
        for (const char **p = m_pairs; p && *p; p += 2) {
            if (!declaresNamespace(*p))
                visit(localName(*p), p[1]);
        }
    }
    // A name without its prefix ("x:row" as "row").
    static const char *localName(const char *name);
    // "xmlns" and "xmlns:x" declare namespaces; they are no attributes of the element.
    static bool declaresNamespace(const char *name);

private:
    const char **m_pairs;
};

// An XML document read in pieces by expat. Element and attribute names arrive without their
// namespace prefix, so that files written with "x:" prefixes read the same.
struct XmlHandlers
{
    std::function<void(const char *name, const XmlAttributes &attributes)> start;
    std::function<void(const char *name)> end;
    std::function<void(const char *text, int length)> text;
};

// One document given to expat in pieces, in order, as they come from different places.
class XmlPieceParser
{
public:
    explicit XmlPieceParser(const XmlHandlers &handlers);
    ~XmlPieceParser();
    XmlPieceParser(const XmlPieceParser &) = delete;
    XmlPieceParser &operator=(const XmlPieceParser &) = delete;

    // False once the pieces so far are no well-formed XML, or (last) do not end a document; a
    // failure of the handlers is thrown.
    bool feed(std::string_view piece, bool last);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// Parses a document given in pieces that lie in memory, fed in order to one parser; complete
// says whether they end the document. False when they are no well-formed XML (or, when not
// complete, could not begin one); a failure of the handlers is thrown.
bool parseXmlPieces(const std::vector<std::string_view> &pieces, bool complete,
                    const XmlHandlers &handlers);

// Parses one zip entry; throws DataError naming the file and the entry when it is no
// well-formed XML.
void parseXml(const ZipArchive &archive, const QString &entry, const XmlHandlers &handlers,
              const QString &fileName);
// The same for an entry already unpacked.
void parseXml(std::string_view bytes, const QString &entry, const XmlHandlers &handlers,
              const QString &fileName);

} // namespace vrl::workbook
