#pragma once

#include <QString>

namespace vrl {

class Dataset;

// The sum of a table's column as the status bar shows it: " Price: 1234,5", or
// " (Price nelze sčítat)" when the database cannot sum it, or empty without a column. The
// database sums the whole table, or the filtered part when the table's filter is on (the filter
// text serves as the WHERE condition). The statement runs on the given query dataset.
QString SumTableColumn(Dataset &table, Dataset &query, const QString &sortColumn);

// A number in the pattern "0.##": at least one integer digit, at most two decimals, no
// trailing zeros, no group separators, the user's decimal separator.
QString sumText(double value);

} // namespace vrl
