#pragma once

#include <cstddef>
#include <vector>

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
// Asks the system to back a large block that is about to be filled with pages of 2 MB where it
// can: one fault then hands over 2 MB instead of 4 KB. Filling fresh memory costs more in its
// faults than in its writes on a virtual machine (a 36 MB sheet: 93 ms of faults, 18 ms of
// unpacking into it); nothing happens for a block under 2 MB or where the system has no such
// pages. The columns of a result take their arrays this way: the first open of a million rows
// took 39,000 faults, 25,000 of them in those arrays.
void preferLargePages(void *block, size_t bytes);

// Room for count values in a vector, its fresh pages large ones where the system has them. The
// advice comes before the values held so far are moved in: they would take small pages.
template<typename T> void reserveInLargePages(std::vector<T> &values, size_t count)
{
    if (count <= values.capacity())
        return;
    std::vector<T> grown;
    grown.reserve(count);
    preferLargePages(grown.data(), grown.capacity() * sizeof(T));
    grown.insert(grown.end(), values.begin(), values.end());
    values.swap(grown);
}

} // namespace vrl
