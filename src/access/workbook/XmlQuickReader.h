#pragma once

#include "access/workbook/XmlStream.h"

#include <string_view>

namespace vrl::workbook {

// Reads a document whose bulk is the content of one element (a sheet's rows in its sheetData),
// giving the handlers what expat gives them. That content is read by a reader of its own, some
// times faster than expat, which knows only what spreadsheet programs write there: elements,
// attributes without references, text in UTF-8 with the predefined and numeric character
// references; the rest of the document goes to expat around it. False when the document holds
// anything else, or is no well-formed XML: the handlers may have seen a part of it then, and it
// is to be read by expat alone, which names a fault exactly. A failure of the handlers is
// thrown.
bool readXmlQuickly(std::string_view document, std::string_view element,
                    const XmlHandlers &handlers);

} // namespace vrl::workbook
