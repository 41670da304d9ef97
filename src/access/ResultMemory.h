#pragma once

namespace vrl {

// Keeps memory freed by a closed result in the process for the next one instead of handing it
// back to the system at once. Opening a table of a million rows touches a few hundred
// megabytes; on a reopen (a refresh, the next table) fresh pages from the system cost more
// than reading the rows themselves. Call once at start.
void reuseFreedResultMemory();

} // namespace vrl
