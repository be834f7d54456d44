#pragma once

#include <cstddef>
#include <new>
#include <string>
#include <vector>

// Memory of large arrays is touched once per page on first use, and on virtual
// machines every such fault is expensive: a million-face mesh takes tens of
// thousands of them. Whole huge pages turn that into a few hundred, but the
// system gives them only to memory that is asked for them and lies on 2 MiB
// boundaries, which the ordinary heap never promises.

// Blocks from this size on are mapped on their own, on 2 MiB boundaries in
// whole huge pages; smaller ones come from the heap. A block of 1 MiB costs at
// most one more in memory, and saves hundreds of faults.
constexpr std::size_t kLargeArrayBytes = std::size_t(1) << 20;

// Memory for bytes bytes (throws std::bad_alloc when there is none), and its
// release; releaseLarge must be told the size allocateLarge was asked for.
void* allocateLarge(std::size_t bytes);
void releaseLarge(void* data, std::size_t bytes) noexcept;

// The allocator of the mesh arrays and of the large arrays a load or a tool
// makes on its way.
template <class T> struct LargeAllocator
{
    using value_type = T;
    LargeAllocator() = default;
    template <class U> LargeAllocator(const LargeAllocator<U>&) noexcept { }
    T* allocate(std::size_t n)
    {
        if (n > std::size_t(-1) / sizeof(T))
            throw std::bad_array_new_length();
        return static_cast<T*>(allocateLarge(n * sizeof(T)));
    }
    void deallocate(T* data, std::size_t n) noexcept { releaseLarge(data, n * sizeof(T)); }
    template <class U> bool operator==(const LargeAllocator<U>&) const noexcept { return true; }
};

template <class T> using LargeVector = std::vector<T, LargeAllocator<T>>;
// The bytes of a whole file.
using LargeText = std::basic_string<char, std::char_traits<char>, LargeAllocator<char>>;

// Resizes v to n value-initialised elements in fresh memory when it has to grow
// (nothing is copied from the old block).
template <class V> void resizeLarge(V& v, std::size_t n)
{
    if (v.capacity() < n)
        V().swap(v);
    v.resize(n);
}

// v becomes n copies of value, in fresh memory when it has to grow.
template <class V> void assignLarge(V& v, std::size_t n, const typename V::value_type& value)
{
    if (v.capacity() < n)
        V().swap(v);
    v.assign(n, value);
}

// Appends from to to and releases from's memory, for joining the arrays of
// parts read apart.
template <class V> void appendAndRelease(V& to, V& from)
{
    to.insert(to.end(), from.begin(), from.end());
    V().swap(from);
}
