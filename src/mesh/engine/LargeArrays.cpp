#include "mesh/engine/LargeArrays.h"

#include <cstdint>
#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

// Sanitizers watch the heap, not blocks mapped by hand: under them every
// block comes from the heap.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define FACETRA_MAPPED_BLOCKS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define FACETRA_MAPPED_BLOCKS 0
#endif
#endif
#if !defined(FACETRA_MAPPED_BLOCKS) && defined(__linux__) && defined(MADV_HUGEPAGE)
#define FACETRA_MAPPED_BLOCKS 1
#endif
#ifndef FACETRA_MAPPED_BLOCKS
#define FACETRA_MAPPED_BLOCKS 0
#endif

namespace {

constexpr std::size_t kHugePage = std::size_t(2) << 20;

[[maybe_unused]] std::size_t wholeHugePages(std::size_t bytes)
{
    return (bytes + kHugePage - 1) & ~(kHugePage - 1);
}

} // namespace

void* allocateLarge(std::size_t bytes)
{
#if FACETRA_MAPPED_BLOCKS
    if (bytes >= kLargeArrayBytes) {
        // Map a huge page more than needed, then give back the parts before the
        // first boundary and after the block.
        const std::size_t length = wholeHugePages(bytes);
        if (length < bytes)
            throw std::bad_alloc();
        void* raw = ::mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE,
            MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (raw == MAP_FAILED)
            throw std::bad_alloc();
        char* const first = static_cast<char*>(raw);
        char* const start = reinterpret_cast<char*>(
            (reinterpret_cast<std::uintptr_t>(first) + kHugePage - 1) & ~(kHugePage - 1));
        if (start > first)
            ::munmap(first, std::size_t(start - first));
        char* const end = start + length;
        if (end < first + length + kHugePage)
            ::munmap(end, std::size_t(first + length + kHugePage - end));
        ::madvise(start, length, MADV_HUGEPAGE);
        return start;
    }
#endif
    return ::operator new(bytes);
}

void releaseLarge(void* data, std::size_t bytes) noexcept
{
    if (!data)
        return;
#if FACETRA_MAPPED_BLOCKS
    if (bytes >= kLargeArrayBytes) {
        ::munmap(data, wholeHugePages(bytes));
        return;
    }
#endif
    ::operator delete(data, bytes);
}
