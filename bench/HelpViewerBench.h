#pragma once

namespace vrl::bench {

// What the help viewer's browser costs against the start of the whole program without it,
// both measured in this process: the program created with its windows and its main window
// shown (median of three), then the first browser of the process created and showing the help
// page until it has loaded. Prints program_start_ms, browser_first_page_ms and
// browser_start_ratio, which says whether the browser is worth creating only on first use.
void runHelpViewerBench(const char *helpDocument);

} // namespace vrl::bench
