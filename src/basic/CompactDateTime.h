#pragma once

#include <QString>

namespace vrl {

// Whether the text has the compact form DDMMYY HH:MM: exactly 12 characters, each a blank, a
// digit or a colon, with day 1 to 31, month 1 to 12, a two-digit year from 5 to maxYear, hour 0
// to 23 and minute 0 to 59, checked in that order up to the first failure. The 7th and 10th
// characters are free. A two-character field that is no number throws as Int32OfText does.
bool IsCompactDateTime(const QString &text, int maxYear);

} // namespace vrl
