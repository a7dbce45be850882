#include "platform/gdi/nearest_map.h"

#include <gtest/gtest.h>

#include <vector>

using platform::gdi::Axis;
using platform::gdi::NearestSource;

namespace {

std::vector<std::int64_t> Map(std::int64_t S, std::int64_t D, Axis axis, int count) {
    std::vector<std::int64_t> out;
    for (int j = 0; j < count; ++j)
        out.push_back(NearestSource(j, S, D, axis));
    return out;
}

using V = std::vector<std::int64_t>;

} // namespace

TEST(NearestMap, KnownRuns) {
    EXPECT_EQ(Map(4, 2, Axis::Columns, 2), (V{1, 3}));
    EXPECT_EQ(Map(4, 2, Axis::Rows, 2), (V{0, 2}));
    EXPECT_EQ(Map(3, 1, Axis::Columns, 1), (V{2}));
    EXPECT_EQ(Map(3, 1, Axis::Rows, 1), (V{0}));
    EXPECT_EQ(Map(800, 312, Axis::Columns, 6), (V{2, 4, 7, 9, 12, 14}));
    EXPECT_EQ(Map(600, 233, Axis::Rows, 6), (V{0, 3, 5, 8, 10, 13}));
    EXPECT_EQ(Map(2, 3, Axis::Columns, 3), (V{0, 0, 1}));
    EXPECT_EQ(Map(2, 5, Axis::Rows, 5), (V{0, 0, 0, 1, 1}));
    EXPECT_EQ(Map(7, 7, Axis::Rows, 7), (V{0, 1, 2, 3, 4, 5, 6}));
}

TEST(NearestMap, ShrinkingPicksAMemberOfEachGroup) {
    // Source i belongs to destination ceil((2i+1)D / 2S) - 1; the chosen source of
    // destination j must belong to j, and the choices must rise strictly.
    for (std::int64_t S = 2; S < 90; ++S) {
        for (std::int64_t D = 1; D < S; ++D) {
            for (Axis axis : {Axis::Columns, Axis::Rows}) {
                std::int64_t previous = -1;
                for (std::int64_t j = 0; j < D; ++j) {
                    std::int64_t i = NearestSource(j, S, D, axis);
                    ASSERT_GE(i, 0);
                    ASSERT_LT(i, S);
                    std::int64_t group = ((2 * i + 1) * D + 2 * S - 1) / (2 * S) - 1;
                    ASSERT_EQ(group, j) << S << "->" << D;
                    ASSERT_GT(i, previous);
                    previous = i;
                }
            }
        }
    }
}

TEST(NearestMap, HugeExtentsStayInRange) {
    const std::int64_t S = 0x7FFFFFFF;
    EXPECT_EQ(NearestSource(344, S, 345, Axis::Columns), S - 1);
    EXPECT_EQ(NearestSource(0, S, 345, Axis::Rows), 0);
    EXPECT_LT(NearestSource(233, S, 234, Axis::Rows), S);
    EXPECT_EQ(NearestSource(S - 1, 1, S, Axis::Columns), 0);
}
