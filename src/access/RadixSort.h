#pragma once

#include <QtGlobal>

#include <cstddef>

namespace vrl {

// A row's place in a list with the number it is sorted by.
struct NumberedPosition
{
    quint64 number;
    quint32 position;
};

// Sorts count entries stably by their numbers: a byte at a time from the lowest, passing over
// the bytes every entry shares. scratch holds room for count entries.
void radixSort(NumberedPosition *entries, size_t count, NumberedPosition *scratch);

} // namespace vrl
