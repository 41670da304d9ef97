#pragma once

namespace vrl {
class TvrlForm;
}

namespace vrl::bench {

// The query area of the real main window on the benchmark table: Go on SELECT * of the table
// until the status bar shows the position (against the data access component's own open of
// the same table on the same connection, measured in turn with it), the auto-sum of a numeric column with the
// gauge driven, a search for a text that is not there, and the whole result written as a CSV
// file, an XML file and a workbook. Prints query_show_ratio, auto_sum_ms, query_search_full_ms,
// export_csv_ms, export_xml_ms, export_xlsx_ms and export_xlsx_ratio.
void runQueryAreaBench(TvrlForm &form);

} // namespace vrl::bench
