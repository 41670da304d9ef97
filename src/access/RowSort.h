#pragma once

#include "access/ColumnStore.h"

#include <QLocale>
#include <QString>

#include <vector>

namespace vrl {

// A sort text "Field ASC|DESC[, Field ...]" (ASC when left out; a name with blanks in
// [brackets]). Sorting is stable, NULLs come first in ascending order, text sorts by the
// locale's collation. An unknown field or a malformed text throws DataError.
class RowSort
{
public:
    struct Key
    {
        int field;
        bool descending;
    };

    RowSort(const QString &text, const RowStore &rows);
    const std::vector<Key> &keys() const { return m_keys; }

    // Puts the rows (indexes into the store) into the sort order.
    void apply(std::vector<quint32> &rows, const QLocale &locale) const;

private:
    const RowStore &m_rows;
    std::vector<Key> m_keys;
};

} // namespace vrl
