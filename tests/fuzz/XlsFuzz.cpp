// The .xls reader: the first byte chooses between a whole file (the compound file through
// libgsf, then the workbook stream) and a bare workbook stream of BIFF8 records. Anything
// either reads or ends in DataError.

#include "FuzzSupport.h"

#include "access/DataError.h"
#include "access/workbook/XlsReader.h"

using namespace vrl;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray rest = fuzz::bytesOf(data + 1, size - 1);
    try {
        if (data[0] & 1)
            (void)workbook::readXls(fuzz::scratchFile(rest, QStringLiteral(".xls")));
        else
            (void)workbook::readBiff8Stream(rest, QStringLiteral("fuzz.xls"));
    } catch (const DataError &) { }
    return 0;
}
