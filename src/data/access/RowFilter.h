#pragma once

#include "data/access/ColumnStore.h"

#include <QString>

#include <memory>
#include <vector>

namespace vrl {

class Regional;

// A filter in ADO syntax, parsed once and checked against the fields of a result:
// comparisons "Field op literal" with = <> < > <= >= LIKE, joined by AND and OR (AND binds
// tighter), grouped with parentheses; a field name with blanks in [brackets]; literals
// 'text' (apostrophe doubled inside), numbers, #date#, a quoted regional date, NULL.
// Text compares without regard to case; LIKE takes * and % for any run of characters.
// A text it cannot parse, or one naming an unknown field, throws DataError.
class RowFilter
{
public:
    RowFilter(const QString &text, const RowStore &rows, const Regional &forms);
    ~RowFilter();
    RowFilter(RowFilter &&) noexcept;

    // The rows of the store that pass, in store order.
    std::vector<quint32> matchingRows() const;
    bool matches(size_t row) const;

    struct Node;

private:
    const RowStore &m_rows;
    std::unique_ptr<Node> m_root;
};

} // namespace vrl
