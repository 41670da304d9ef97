#pragma once

#include <QString>

namespace vrl::bench {

// A generated .xlsx sheet of 100,000 rows x 10 columns: opening it as a table, the memory that
// takes, and one edited cell written back. Prints workbook_open_ms, workbook_peak_rss_mb and
// workbook_post_ms.
void runWorkbookBench();

// Writes that workbook (sheet "Data": Id, Jméno, Cena, Datum, Podíl, Pozn, Počet, Kód, Ok,
// Město) to path.
void generateBenchWorkbook(const QString &path);

} // namespace vrl::bench
