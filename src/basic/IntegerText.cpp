#include "basic/IntegerText.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace vrl {

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isSign(QChar c)
{
    return c == QLatin1Char('+') || c == QLatin1Char('-');
}

[[noreturn]] void notAnInteger(const QString &text)
{
    throw std::runtime_error(
        QStringLiteral("'%1' není platná celočíselná hodnota.").arg(text).toStdString());
}

} // namespace

bool IsIntegerText(const QString &text, LengthRule rule, int count)
{
    if (count >= 1 && !text.isEmpty() && isSign(text.front()))
        ++count;
    if (count >= 1 && !KeepsLengthRule(text.size(), rule, count))
        return false;
    if (text.isEmpty())
        return false;
    if (text.size() == 1)
        return isDigit(text.front());
    if (!isSign(text.front()) && !isDigit(text.front()))
        return false;
    return std::all_of(text.cbegin() + 1, text.cend(), isDigit);
}

bool IsSmallIntegerText(const QString &text)
{
    return IsIntegerText(text, LengthRule::AtLeast, 1) && Int32OfText(text) < 65535;
}

std::int32_t Int32OfText(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < text.size() && isSign(text[i]))
        negative = text[i++] == QLatin1Char('-');
    if (i == text.size())
        notAnInteger(text);
    // Collected as a magnitude so that -2147483648 fits.
    std::int64_t magnitude = 0;
    const std::int64_t limit = std::int64_t(std::numeric_limits<std::int32_t>::max()) + negative;
    for (; i < text.size(); ++i) {
        if (!isDigit(text[i]))
            notAnInteger(text);
        magnitude = magnitude * 10 + (text[i].unicode() - u'0');
        if (magnitude > limit)
            notAnInteger(text);
    }
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

} // namespace vrl
