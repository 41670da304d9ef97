#include "access/RadixSort.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace vrl {

namespace {

// One stable pass per digit of the given width, from the lowest.
template <int Bits>
void sortByDigits(NumberedPosition *&from, NumberedPosition *&to, size_t count)
{
    constexpr size_t kSlots = size_t(1) << Bits;
    std::vector<size_t> slots(kSlots);
    for (int shift = 0; shift < 64; shift += Bits) {
        std::fill(slots.begin(), slots.end(), 0);
        for (size_t i = 0; i < count; ++i)
            ++slots[(from[i].number >> shift) & (kSlots - 1)];
        if (std::find(slots.begin(), slots.end(), count) != slots.end())
            continue; // every number has the same digit here
        size_t start = 0;
        for (size_t &slot : slots)
            start += std::exchange(slot, start);
        for (size_t i = 0; i < count; ++i)
            to[slots[(from[i].number >> shift) & (kSlots - 1)]++] = from[i];
        std::swap(from, to);
    }
}

} // namespace

void radixSort(NumberedPosition *entries, size_t count, NumberedPosition *scratch)
{
    NumberedPosition *from = entries;
    NumberedPosition *to = scratch;
    // Sixteen bits a pass halve the passes over a long list; for a short one the table of
    // 65,536 counts would cost more than the passes it saves.
    if (count > 65536)
        sortByDigits<16>(from, to, count);
    else
        sortByDigits<8>(from, to, count);
    if (from != entries)
        std::memcpy(entries, from, count * sizeof(NumberedPosition));
}

} // namespace vrl
