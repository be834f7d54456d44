#pragma once

#include <cstddef>
#include <vector>

// Memory of large arrays is touched once per page on first use, and on virtual
// machines every such fault is expensive: a million-face mesh takes tens of
// thousands of them. Asking for huge pages where the system offers them turns
// that into a few hundred.
void adviseHugePages(void* data, std::size_t bytes);

// Arrays from this size on are worth huge pages.
constexpr std::size_t kLargeArrayBytes = std::size_t(4) << 20;

// Makes room for n elements without touching it, asking for huge pages when the
// array is large and has to grow.
template <class T>
void reserveLarge(std::vector<T>& v, std::size_t n)
{
    if (v.capacity() >= n)
        return;
    const std::size_t bytes = n * sizeof(T); // NOLINT(bugprone-sizeof-expression): T may be a pointer
    if (bytes < kLargeArrayBytes) {
        v.reserve(n);
        return;
    }
    std::vector<T> fresh;
    fresh.reserve(n);
    adviseHugePages(fresh.data(), bytes);
    fresh.insert(fresh.end(), v.begin(), v.end());
    v.swap(fresh);
}

// Resizes v to n value-initialised elements (reserveLarge, then resize).
template <class T>
void resizeLarge(std::vector<T>& v, std::size_t n)
{
    if (v.capacity() < n)
        std::vector<T>().swap(v);
    reserveLarge(v, n);
    v.resize(n);
}

// v becomes n copies of value (reserveLarge, then assign).
template <class T>
void assignLarge(std::vector<T>& v, std::size_t n, const T& value)
{
    if (v.capacity() < n)
        std::vector<T>().swap(v);
    reserveLarge(v, n);
    v.assign(n, value);
}
