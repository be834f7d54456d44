#pragma once

#include "mesh/engine/LargeArrays.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// A list of lists stored as one array plus offsets: list i is
// items[offsets[i] .. offsets[i + 1]). Used for the adjacency of large meshes,
// where one heap block per vertex or face would cost more than the data.
template <class T> class FlatLists
{
public:
    std::size_t size() const { return offsets.empty() ? 0 : offsets.size() - 1; }
    bool empty() const { return size() == 0; }
    std::span<const T> operator[](std::size_t i) const
    {
        return { items.data() + offsets[i], items.data() + offsets[i + 1] };
    }
    std::span<T> operator[](std::size_t i)
    {
        return { items.data() + offsets[i], items.data() + offsets[i + 1] };
    }
    void clear()
    {
        offsets.clear();
        items.clear();
    }
    // n empty lists.
    void resetEmpty(std::size_t n)
    {
        items.clear();
        offsets.assign(n + 1, 0);
    }
    std::size_t totalSize() const { return items.size(); }

    // Two-pass filling: count each list's length, then place items in order.
    // Usage: beginCounting(n); count(i)...; beginFilling(); push(i, v)... in the
    // order each list should hold them.
    void beginCounting(std::size_t n)
    {
        assignLarge(offsets, n + 1, std::uint32_t(0));
        items.clear();
    }
    void count(std::size_t i) { ++offsets[i + 1]; }
    void beginFilling()
    {
        for (std::size_t i = 1; i < offsets.size(); ++i)
            offsets[i] += offsets[i - 1];
        resizeLarge(items, offsets.back());
        resizeLarge(cursor_, offsets.size() - 1);
        std::copy(offsets.begin(), offsets.end() - 1, cursor_.begin());
    }
    void push(std::size_t i, const T& v) { items[cursor_[i]++] = v; }
    void endFilling() { LargeVector<std::uint32_t>().swap(cursor_); }

    LargeVector<std::uint32_t> offsets;
    LargeVector<T> items;

private:
    LargeVector<std::uint32_t> cursor_;
};
