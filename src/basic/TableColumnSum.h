#pragma once

#include "access/FilterSql.h"
#include "access/Value.h"

#include <QString>

namespace vrl {

class Dataset;
class Provider;
class RowStore;

// The sum of a table's column as the status bar shows it: " Price: 1234,5", or
// " (Price nelze sčítat)" when the database cannot sum it, or empty without a column. The
// database sums the whole table, or the rows the table's filter shows when it is on (the
// parsed filter in the database's SQL, with parameters; a filter that SQL cannot express gives
// the failure text). Names are quoted for the connection. The statement runs on the given
// query dataset.
// A field that is no number is not summed at all: a server that sums texts as zero would
// show a total that is none.
QString SumTableColumn(Dataset &table, Dataset &query, const QString &sortColumn);

// The statement of a table's column sum, with "?" marks and their values: the filter, when one
// is given, in the provider's SQL. Throws DataError for a filter SQL cannot follow.
SqlCondition tableSumStatement(const Provider &provider, const QString &table,
                               const QString &column, const RowStore &rows,
                               const QString &filter = QString());

// Whether a field of this type can be summed: integers, floating point and decimals.
bool isSummable(FieldType type);

// A number in the pattern "0.##": at least one integer digit, at most two decimals (rounded
// half away from zero on the exact digits), no trailing zeros, no group separators, the user's
// decimal separator. Integers and decimals keep every digit the database gave; NULL gives "0".
QString sumText(const Value &value);
QString sumText(double value);

} // namespace vrl
