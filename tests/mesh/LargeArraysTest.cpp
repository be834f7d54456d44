#include "mesh/engine/LargeArrays.h"

#include <gtest/gtest.h>

// Growing into fresh huge-page memory must keep what the array held and give
// the usual vector results, above and below the size that asks for huge pages.
TEST(LargeArrays, GrowingIntoHugePagesKeepsTheContentsAndFillsTheRest)
{
    for (const std::size_t n : { std::size_t(10), kLargeArrayBytes / sizeof(int) * 2 }) {
        std::vector<int> v { 1, 2, 3, 4, 5 }, w { 7 };
        reserveLarge(v, n);
        resizeLarge(v, n);
        assignLarge(w, n, -1);
        ASSERT_TRUE(v.size() == n && w.size() == n);
        EXPECT_TRUE(v[4] == 5 && v[n - 1] == 0 && w.front() == -1 && w.back() == -1);
    }
}
