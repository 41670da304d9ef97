#include "basic/SeparatedItem.h"

namespace vrl {

QString SeparatedItem(const QString &text, int n, QChar separator)
{
    qsizetype start = 0;
    for (int i = 0; i < n; ++i) {
        const qsizetype found = text.indexOf(separator, start);
        if (found < 0)
            return QString();
        start = found + 1;
    }
    const qsizetype end = text.indexOf(separator, start);
    return text.mid(start, end < 0 ? -1 : end - start);
}

} // namespace vrl
