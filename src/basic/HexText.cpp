#include "basic/HexText.h"

#include <QStringList>

namespace vrl {

QChar HexDigitChar(int value)
{
    if (value >= 0 && value <= 9)
        return QChar(u'0' + value);
    if (value >= 10 && value <= 15)
        return QChar(u'A' + value - 10);
    return QLatin1Char('x');
}

QString ByteToHex(std::uint8_t byte)
{
    const QChar digits[] = { HexDigitChar(byte >> 4), HexDigitChar(byte & 0x0F) };
    return QString(digits, 2);
}

QString IntToHex8(std::int32_t value)
{
    const auto pattern = static_cast<std::uint32_t>(value);
    QString text;
    text.reserve(8);
    for (int shift = 24; shift >= 0; shift -= 8)
        text += ByteToHex(static_cast<std::uint8_t>(pattern >> shift));
    return text;
}

int HexDigitValue(QChar digit, int fallback)
{
    const char16_t c = digit.unicode();
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    return fallback;
}

std::int32_t Hex8ToInt(const QString &text)
{
    std::uint32_t pattern = 0;
    const qsizetype digits = std::min<qsizetype>(text.size(), 8);
    for (qsizetype k = 0; k < digits; ++k)
        pattern += std::uint32_t(HexDigitValue(text[k], 0)) << (4 * (7 - k));
    return static_cast<std::int32_t>(pattern);
}

QString HexDigitToBits(QChar digit)
{
    const int value = HexDigitValue(digit, -1);
    if (value < 0)
        return QStringLiteral("????");
    QString bits;
    for (int bit = 3; bit >= 0; --bit)
        bits += (value >> bit) & 1 ? QLatin1Char('1') : QLatin1Char('0');
    return bits;
}

QString HexToDelimitedBin(const QString &text)
{
    QStringList groups;
    for (const QChar c : text)
        groups << HexDigitToBits(c);
    return groups.join(QLatin1Char(' '));
}

} // namespace vrl
