#pragma once

namespace vrl {

// How the heap serves results; call once at start.
// - Every block of a megabyte or more (the columns of a result) gets pages of its own from the
//   system: sized exactly, grown in place by remapping, handed back when the result closes.
//   Measured on a table of a million rows: a peak of 157 MB against 179 MB when the large
//   blocks came from the heap as well (the holes a growing column leaves there stay resident),
//   at the same open time.
// - Smaller blocks, such as the driver's rows of one part of a table, come from one heap and
//   are used again part after part. The next part is received on another thread while one is
//   converted; with a heap per thread each kept its own freed part resident (7 MB more at the
//   peak, no faster).
void setResultMemoryPolicy();
// Hands the heap's free pages back to the system.
void releaseFreedMemory();

} // namespace vrl
