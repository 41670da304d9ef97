#pragma once

#include "access/ColumnStore.h"

#include <QLocale>

#include <algorithm>
#include <vector>

namespace vrl {

// The non-NULL positions of the given rows in a locale's collation order, equal texts in the
// order of their positions, and for each whether its text differs from the one before it.
struct CollatedPositions
{
    std::vector<quint32> positions;
    std::vector<bool> startsText;
};
CollatedPositions collatedPositions(const Column &column, const std::vector<quint32> &rows,
                                    const QLocale &locale);

// The order of a text column's rows under a locale's collation, as one number for each of the
// given rows (by their position in that list): equal texts rank alike, a lower rank sorts
// first, NULL rows rank 0. Sorting by these numbers gives the collation's order without
// comparing texts again: each text is turned into a key once, of its letters (and of its
// accents and case only where letters are alike), into one buffer.
std::vector<quint32> collationRanks(const Column &column, const std::vector<quint32> &rows,
                                    const QLocale &locale);

// The same by a plain comparison, for the non-NULL rows of any column: less(a, b) orders two
// positions of the list; positions neither before the other rank alike.
template<typename Less>
std::vector<quint32> ranksByOrder(const Column &column, const std::vector<quint32> &rows, Less less)
{
    std::vector<quint32> order;
    order.reserve(rows.size());
    for (quint32 p = 0; p < rows.size(); ++p) {
        if (!column.isNull(rows[p]))
            order.push_back(p);
    }
    std::sort(order.begin(), order.end(), less);
    std::vector<quint32> ranks(rows.size(), 0);
    quint32 rank = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        if (i == 0 || less(order[i - 1], order[i]))
            ++rank;
        ranks[order[i]] = rank;
    }
    return ranks;
}

} // namespace vrl
