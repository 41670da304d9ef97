#pragma once

namespace vrl::bench {

// The program's start as a user meets it: a process of its own (this benchmark started again
// with --startup) does what the program's main does, and says when the main window's first
// paint comes; startup_ms is the median time from starting that process to the paint.
void runStartupBench(const char *self);
// The started process: the program's start, then the time of the first paint on stdout.
int runStartupChild(int argc, char **argv);

} // namespace vrl::bench
