#include "basic/CompactDateTime.h"

#include "basic/CharSetText.h"
#include "basic/IntegerText.h"

namespace vrl {

bool IsCompactDateTime(const QString &text, int maxYear)
{
    static const CharSet allowed(QLatin1String(" 0123456789:"));
    if (!TextMatchesCharSet(text, allowed, LengthRule::Exactly, 12, true))
        return false;
    struct Field
    {
        int start, low, high;
    };
    const Field fields[]
        = { { 0, 1, 31 }, { 2, 1, 12 }, { 4, 5, maxYear }, { 7, 0, 23 }, { 10, 0, 59 } };
    for (const Field &field : fields) {
        const int value = Int32OfText(text.mid(field.start, 2));
        if (value < field.low || value > field.high)
            return false;
    }
    return true;
}

} // namespace vrl
