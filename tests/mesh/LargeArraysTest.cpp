#include "mesh/engine/LargeArrays.h"

#include <gtest/gtest.h>

#include <numeric>

// Growing into fresh huge-page memory must keep what the array held and give
// the usual vector results, above and below the size that asks for huge pages.
TEST(LargeArrays, BehaveAsPlainVectorOperations)
{
    for (const std::size_t n : { std::size_t(10), kLargeArrayBytes / sizeof(int) * 2 }) {
        std::vector<int> v(5);
        std::iota(v.begin(), v.end(), 1);
        reserveLarge(v, n);
        EXPECT_GE(v.capacity(), n);
        EXPECT_EQ(v, (std::vector<int> { 1, 2, 3, 4, 5 }));

        resizeLarge(v, n);
        ASSERT_EQ(v.size(), n);
        EXPECT_EQ(v[4], 5);
        EXPECT_EQ(v[n - 1], 0);

        std::vector<int> w { 7 };
        assignLarge(w, n, -1);
        ASSERT_EQ(w.size(), n);
        EXPECT_EQ(w.front(), -1);
        EXPECT_EQ(w.back(), -1);
    }
}
