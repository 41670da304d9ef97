#pragma once

namespace vrl::bench {

// The table area of the real main window on the benchmark table: choosing the table until the
// status bar shows its count (against the data access component's own open of the same table,
// openMs, measured in the same run), a search for a text that is not there, and the sort of a
// title click. Prints table_choice_ratio, grid_search_full_ms and title_click_sort_ms.
void runTableAreaBench(double openMs);

} // namespace vrl::bench
