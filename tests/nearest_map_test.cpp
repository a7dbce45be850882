#include "platform/gdi/nearest_map.h"

#include <gtest/gtest.h>

#include <vector>

using platform::gdi::Axis;
using platform::gdi::NearestSource;

// Enlarging repeats each source in turn, the first ones once more where D is uneven.
TEST(NearestMap, EnlargingRepeatsEachSourceInTurn) {
    for (const auto& [S, D, axis, runs] :
         {std::tuple{2, 3, Axis::Columns, std::vector<std::int64_t>{0, 0, 1}},
          {2, 5, Axis::Rows, {0, 0, 0, 1, 1}},
          {7, 7, Axis::Rows, {0, 1, 2, 3, 4, 5, 6}}}) {
        std::vector<std::int64_t> got;
        for (int j = 0; j < D; ++j)
            got.push_back(NearestSource(j, S, D, axis));
        EXPECT_EQ(got, runs) << S << "->" << D;
    }
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
