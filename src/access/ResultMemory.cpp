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
    constexpr uintptr_t kPage = 4096;
    if (bytes < kLargePage)
        return;
    // The advice covers every page the block touches, not only the large pages inside it: a
    // block the system mapped for itself stays one mapping then, and a mapping advised in part
    // is split in three, which a later growth cannot remap in place (the heap would copy it).
    const auto begin = reinterpret_cast<uintptr_t>(block) & ~(kPage - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(block) + bytes + kPage - 1) & ~(kPage - 1);
    madvise(reinterpret_cast<void *>(begin), end - begin, MADV_HUGEPAGE);
}

} // namespace vrl
