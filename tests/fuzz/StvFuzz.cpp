// The STV reader: the file's lines as the import reads them (windows-1250), the header and type
// lines, and an INSERT for every data line. Whatever a line holds, a statement that comes out
// carries no statement of its own: outside its quoted texts there is no ";" and no block
// comment. (A currency value may become "--.00", which SQL Server reads as a line comment: that
// only cuts the statement short, so it fails, as a malformed currency value does anyway.)
// Also the number normaliser and the long-line breaker.

#include "FuzzSupport.h"

#include "basic/AnsiText.h"
#include "basic/QueryRunners.h"
#include "basic/StvImport.h"

#include <cstdlib>

using namespace vrl;

namespace {

// Aborts when the statement has a ";" or a block comment outside its quoted texts.
void requireOneStatement(const QString &statement)
{
    bool quoted = false;
    for (qsizetype i = 0; i < statement.size(); ++i) {
        const QChar c = statement[i];
        if (c == QLatin1Char('\'')) {
            quoted = !quoted; // a doubled apostrophe closes and opens again
            continue;
        }
        if (quoted)
            continue;
        const QChar next = i + 1 < statement.size() ? statement[i + 1] : QChar();
        if (c == QLatin1Char(';') || (c == QLatin1Char('/') && next == QLatin1Char('*')))
            std::abort();
    }
    if (quoted)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::bytesOf(data, size);
    const QStringList lines = readAnsiLines(fuzz::scratchFile(bytes, QStringLiteral(".csv")));
    if (lines.size() >= 2) {
        const QStringList header = CutStvLine(lines[0]);
        QList<int> types;
        for (const QString &name : CutStvLine(lines[1]))
            types << StvTypeCode(name);
        (void)StvHeaderFits(header, CutStvLine(lines[1]),
                            { QStringLiteral("Id"), QStringLiteral("Jméno a příjmení") });
        for (qsizetype l = 2; l < lines.size() && l < 64; ++l) {
            const QStringList values = CutStvLine(lines[l]);
            if (const auto statement
                = StvInsertStatement(QStringLiteral("T"), header, types, values)) {
                // The head names the table and the columns as written; only the values
                // part is held to one literal per value.
                const qsizetype valuesAt = statement->indexOf(QStringLiteral("\rVALUES ("));
                if (valuesAt >= 0)
                    requireOneStatement(statement->mid(valuesAt));
            }
            for (const QString &value : values)
                (void)NormalizeNumber(value);
        }
    }
    const QString text = fromAnsi(bytes);
    (void)BreakLongLines(text, quint8(size > 0 ? data[0] : 80));
    return 0;
}
