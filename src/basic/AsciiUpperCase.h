#pragma once

#include <QString>

namespace vrl {

// The text with only the letters a to z made capitals; letters with diacritics keep their case.
QString AsciiUpperCase(const QString &text);

} // namespace vrl
