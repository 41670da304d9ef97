#pragma once

namespace vrl {
class TvrlForm;
}

namespace vrl::bench {

// A statement that keeps the server busy, run by the Go button of the real main window:
// statement_wait_paint_ms, the longest gap between two turns of the window's event loop while
// SELECT SLEEP(5) runs, and statement_stop_ms, the time from Esc to the stop's message while
// SELECT SLEEP(30) runs.
void runStatementStopBench(TvrlForm &form);

} // namespace vrl::bench
