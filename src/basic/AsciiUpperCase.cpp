#include "basic/AsciiUpperCase.h"

namespace vrl {

QString AsciiUpperCase(const QString &text)
{
    QString upper = text;
    for (QChar &c : upper) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 'a' + 'A');
    }
    return upper;
}

} // namespace vrl
