#pragma once

#include "access/ColumnStore.h"

#include <QLocale>

#include <vector>

namespace vrl {

// The order of a text column's rows under a locale's collation, as one number for each of the
// given rows (by their position in that list): equal texts rank alike, a lower rank sorts
// first, NULL rows rank 0. Sorting by these numbers gives the collation's order without
// comparing texts again: each text is turned into its collation key once, into one buffer.
std::vector<quint32> collationRanks(const Column &column, const std::vector<quint32> &rows,
                                    const QLocale &locale);

} // namespace vrl
