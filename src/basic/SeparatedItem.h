#pragma once

#include <QString>

namespace vrl {

// Piece n of a text cut at a separator: for 0 the text up to the first separator (the whole
// text without one); for n above 0 the text after the n-th separator up to the next one or the
// end, and empty when the text holds fewer than n separators.
QString SeparatedItem(const QString &text, int n, QChar separator);

} // namespace vrl
