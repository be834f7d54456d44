#include "mesh/engine/MemoryInfo.h"

#include "mesh/engine/Face.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

std::uint64_t readNumberAfter(const char* path, const std::string& key)
{
    std::ifstream in(path);
    std::string word;
    while (in >> word) {
        if (key.empty() || word == key) {
            if (key.empty()) {
                return word == "max" ? 0 : std::strtoull(word.c_str(), nullptr, 10);
            }
            std::uint64_t kib = 0;
            in >> kib;
            return kib * 1024;
        }
    }
    return 0;
}

} // namespace

double meshBytesFor(double faces, double vertices)
{
    return faces * double(sizeof(Face) + sizeof(Vector))
        + vertices * 4.0 * double(sizeof(Vector));
}

std::uint64_t availableMemoryBytes()
{
    std::uint64_t available = readNumberAfter("/proc/meminfo", "MemAvailable:");
    const std::uint64_t limit = readNumberAfter("/sys/fs/cgroup/memory.max", "");
    if (limit > 0) {
        const std::uint64_t used = readNumberAfter("/sys/fs/cgroup/memory.current", "");
        const std::uint64_t room = limit > used ? limit - used : 0;
        available = available == 0 ? room : std::min(available, room);
    }
    return available;
}

void releaseFreedMemory()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}
