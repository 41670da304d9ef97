#include "access/ResultMemory.h"

#include <malloc.h>
#include <sys/mman.h>

#include <cstdint>

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

void preferLargePages(void *block, size_t bytes)
{
    constexpr uintptr_t kLargePage = 2 << 20;
    const auto begin = reinterpret_cast<uintptr_t>(block);
    // Only whole large pages inside the block: the advice covers the pages it names, and the
    // block's neighbours keep theirs.
    const uintptr_t first = (begin + kLargePage - 1) & ~(kLargePage - 1);
    const uintptr_t last = (begin + bytes) & ~(kLargePage - 1);
    if (last > first)
        madvise(reinterpret_cast<void *>(first), last - first, MADV_HUGEPAGE);
}

} // namespace vrl
