#pragma once

#include <QString>

#include <functional>
#include <vector>

namespace vrl::bench {

// Milliseconds one run of work takes.
double millisecondsOf(const std::function<void()> &work);
// The median of the milliseconds of several runs.
double median(std::vector<double> times);
double medianMilliseconds(int runs, const std::function<void()> &work);
// The peak resident memory of this process so far, in megabytes.
double peakResidentMegabytes();
// Resident memory of the process now.
double residentMegabytes();
// Starts a new measurement of the peak: it becomes what the process holds now.
void resetPeakResident();
// The median milliseconds of a command line (the database's own client) writing its output
// to the null device; throws when it fails.
double cliMilliseconds(const QString &commandLine, int runs = 3);
// Prints one figure as "name: value unit".
void report(const char *name, double value, const char *unit);

} // namespace vrl::bench
