#pragma once

#include "basic/CharSetText.h"

#include <QString>

#include <cstdint>

namespace vrl {

// Whether the text is an integer: an optional sign and digits, nothing else (no blanks, no
// separators, no range check). When count > 0 the length rule of TextMatchesCharSet applies,
// with the sign not counted as a digit.
bool IsIntegerText(const QString &text, LengthRule rule, int count);
// IsIntegerText with at least one digit and, only then, a value below 65535. A text beyond the
// 32-bit range throws as Int32OfText does.
bool IsSmallIntegerText(const QString &text);
// The text read strictly as a signed 32-bit integer: blanks before it, an optional sign and
// digits to the end. Anything else, or a value beyond 32 bits, throws std::runtime_error with a
// Czech message naming the text.
std::int32_t Int32OfText(const QString &text);

} // namespace vrl
