#pragma once

namespace vrl {
class TvrlForm;
}

namespace vrl::bench {

// The database-wide search of the real main window for a text that is not there, through a
// database of ten tables (VORLAN_BENCH_SS_ODBC), against the database's own client reading the
// same ten tables to the null device (VORLAN_BENCH_SS_CLI) in the same run. Prints
// supersearch_ratio.
void runSuperSearchBench(TvrlForm &form);

} // namespace vrl::bench
