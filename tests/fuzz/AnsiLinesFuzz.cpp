// The readers of the program's windows-1250 text files: a relation file (each line a
// "source;target" pair) and the query history file the history viewer shows.

#include "FuzzSupport.h"

#include "basic/AnsiText.h"
#include "basic/SeparatedItem.h"

using namespace vrl;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QStringList lines
        = readAnsiLines(fuzz::scratchFile(fuzz::bytesOf(data, size), QStringLiteral(".vri")));
    for (const QString &line : lines) {
        (void)SeparatedItem(line, 0, QLatin1Char(';'));
        (void)SeparatedItem(line, 1, QLatin1Char(';'));
        (void)SeparatedItem(line, 7, QLatin1Char(';'));
    }
    (void)lines.join(QLatin1Char('\n'));
    return 0;
}
