#pragma once

#include "access/Value.h"

#include <QString>

#include <vector>

namespace vrl {

class Provider;
class RowFilter;

// A WHERE condition with "?" marks and the values that go into them, in order.
struct SqlCondition
{
    QString text;
    std::vector<Value> parameters;
};

// The condition of a parsed filter in the provider's SQL, so that the database picks exactly
// the rows the filter lets through on the client: names quoted, literals as typed parameters
// in the field's terms, text compared without regard to case, LIKE wildcards translated and
// the database's own wildcards taken literally, NULL tests as IS [NOT] NULL. Throws DataError
// for a comparison the database cannot make the same way (LIKE on a field that is no text, a
// comparison of binary data).
SqlCondition filterSql(const RowFilter &filter, const Provider &provider);

} // namespace vrl
