#include "mesh/engine/LargeArrays.h"

#include <cstdint>

#ifdef __linux__
#include <sys/mman.h>
#endif

void adviseHugePages(void* data, std::size_t bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::size_t huge = std::size_t(2) << 20;
    char* const start = static_cast<char*>(data);
    const std::size_t misalign = reinterpret_cast<std::uintptr_t>(start) & (huge - 1);
    const std::size_t skip = misalign ? huge - misalign : 0;
    if (bytes <= skip)
        return;
    const std::size_t length = (bytes - skip) & ~(huge - 1);
    if (length > 0)
        ::madvise(start + skip, length, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}
