#pragma once

#include <QString>

class QProgressBar;

namespace vrl {

class Dataset;

// The auto-sum of the query grid: the sort column summed over the rows of the dataset's
// current view (the filtered rows when its filter is on), in double precision, as
// " Price: 1234,5"; " (Price nelze sčítat)" when the column is missing or holds a value that is
// no number; empty without a sort column. The gauge shows the progress and returns to 0, and
// the dataset ends on its first record.
QString SumQueryColumn(Dataset &query, QProgressBar &gauge, const QString &sortColumn);

} // namespace vrl
