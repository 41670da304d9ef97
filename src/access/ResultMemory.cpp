#include "access/ResultMemory.h"

#include <malloc.h>

namespace vrl {

void reuseFreedResultMemory()
{
    // Blocks up to 32 MB come from the heap, so that freeing them keeps them for reuse; the
    // heap top is not trimmed below 1 GB and grows in steps of 64 MB.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_TOP_PAD, 64 << 20);
}

} // namespace vrl
