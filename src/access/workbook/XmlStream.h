#pragma once

#include <QString>
#include <QStringView>

#include <functional>
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
