// The quick reader of a sheet's rows against expat: whatever the quick reader takes, expat must
// take as well, giving the handlers the same elements, attributes and text.

#include "../support/XmlEventRecorder.h"
#include "access/workbook/XmlQuickReader.h"

#include <cstdint>
#include <cstdlib>

using namespace vrl::workbook;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view document(reinterpret_cast<const char *>(data), size);
    vrl::test::XmlEventRecorder quick;
    if (!readXmlQuickly(document, "sheetData", quick.handlers()))
        return 0;
    vrl::test::XmlEventRecorder expat;
    if (!parseXmlPieces({ document }, true, expat.handlers()) || quick.lines != expat.lines)
        std::abort();
    return 0;
}
