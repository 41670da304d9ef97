#pragma once

// What XML handlers were given, one line an event (start with every attribute, end, text);
// text given in several pieces is one line, as readers split it where they like. The tests and
// the fuzz target of the quick XML reader hold it to expat by these lines.

#include "access/workbook/XmlStream.h"

#include <string>

namespace vrl::test {

struct XmlEventRecorder
{
    std::string lines;
    bool inText = false;

    workbook::XmlHandlers handlers()
    {
        workbook::XmlHandlers h;
        h.start = [this](const char *name, const workbook::XmlAttributes &attributes) {
            inText = false;
            lines += std::string("\n<") + name;
            attributes.forEach([this](const char *attribute, const char *value) {
                lines += std::string(" ") + attribute + "=" + value;
            });
        };
        h.end = [this](const char *name) {
            inText = false;
            lines += std::string("\n</") + name;
        };
        h.text = [this](const char *text, int length) {
            if (!inText)
                lines += "\nT";
            inText = true;
            lines.append(text, size_t(length));
        };
        return h;
    }
};

} // namespace vrl::test
