#include "basic/DateStamp.h"

namespace vrl {

QString dateStamp(const QDate &date)
{
    return QStringLiteral("%1%2%3")
        .arg(date.year() % 100, 2, 10, QLatin1Char('0'))
        .arg(date.month(), 2, 10, QLatin1Char('0'))
        .arg(date.day(), 2, 10, QLatin1Char('0'));
}

} // namespace vrl
