#pragma once

#include "access/ColumnStore.h"

#include <QString>

#include <memory>
#include <vector>

namespace vrl {

class Regional;
struct FilterNode;

// A filter in ADO syntax, parsed once and checked against the fields of a result:
// comparisons "Field op literal" with = <> < > <= >= LIKE, joined by AND and OR (AND binds
// tighter), grouped with parentheses; a field name with blanks in [brackets]; literals
// 'text' (apostrophe doubled inside), numbers, #date#, a quoted regional date, NULL.
// Text compares without regard to case; LIKE takes * and % for any run of characters.
// A text it cannot parse, or one naming an unknown field, throws DataError. Runs of AND or OR
// of any length are kept flat; groups that alternate them more than 200 deep are refused.
class RowFilter
{
public:
    RowFilter(const QString &text, const RowStore &rows, const Regional &forms);
    ~RowFilter();
    RowFilter(RowFilter &&) noexcept;

    // The rows of the store that pass, in store order.
    std::vector<quint32> matchingRows() const;
    bool matches(size_t row) const;

    // The parsed form, for rendering the same condition in SQL.
    const FilterNode &root() const { return *m_root; }
    const RowStore &rows() const { return m_rows; }

private:
    const RowStore &m_rows;
    std::unique_ptr<FilterNode> m_root;
};

} // namespace vrl
