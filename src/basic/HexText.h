#pragma once

#include <QChar>
#include <QString>

#include <cstdint>

namespace vrl {

// Hexadecimal and base-2 forms of 32-bit integers, for the conversion panel. Hexadecimal output
// is upper case; the 32-bit pattern is the two's complement, most significant digit first.

// 0 to 9 give "0" to "9", 10 to 15 give "A" to "F", any other value "x".
QChar HexDigitChar(int value);
// Two digits, the high nibble first.
QString ByteToHex(std::uint8_t byte);
// Always 8 digits: -1 gives FFFFFFFF.
QString IntToHex8(std::int32_t value);
// "0" to "9", "A" to "F" and "a" to "f" give 0 to 15; anything else gives the fallback.
int HexDigitValue(QChar digit, int fallback);
// The first 8 characters read as a 32-bit pattern and returned as a signed integer; a
// character that is no hex digit counts as 0. The callers pass exactly 8 digits.
std::int32_t Hex8ToInt(const QString &text);
// The four base-2 digits of one hex digit, most significant first; "????" for anything else.
QString HexDigitToBits(QChar digit);
// The bits of every character, the groups of four separated by single blanks.
QString HexToDelimitedBin(const QString &text);

} // namespace vrl
