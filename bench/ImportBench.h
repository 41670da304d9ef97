#pragma once

namespace vrl {
class TvrlForm;
}

namespace vrl::bench {

// The import window of the real program copying 100,000 rows with three relations from one
// MariaDB database into a table of another connection's database (VORLAN_BENCH_IMP_ODBC),
// against the database's own client sending the same rows as single INSERT statements
// (VORLAN_BENCH_IMP_CLI, its file named by part: %1) in turn, part by part. Prints
// import_rows_per_s_ratio and import_into_1m_rows_per_s_ratio.
void runImportBench(TvrlForm &form);
// The same in a program of its own, for VORLAN_BENCH_ONLY=import.
void runImportBenchAlone();

} // namespace vrl::bench
