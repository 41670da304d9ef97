#include "access/ResultMemory.h"

#include <malloc.h>

namespace vrl {

void setResultMemoryPolicy()
{
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    // The heap's freed pages stay for the next part; only large blocks go back.
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    mallopt(M_ARENA_MAX, 1);
}

void releaseFreedMemory()
{
    malloc_trim(0);
}

} // namespace vrl
