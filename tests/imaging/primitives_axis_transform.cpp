// Rotation tables for blocks of samples.
#include "failing_malloc.h"
#include "fpdevice/imaging_primitives.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

namespace {

using Pair = std::pair<int, int>;  // rotated (x, y)

std::vector<Pair> row_pairs(int16_t *const *table, int angle, int blockWidth, int blockHeight) {
    std::vector<Pair> pairs;
    const int16_t *row = table[angle];
    for (int k = 0; k < blockWidth * blockHeight; ++k) {
        pairs.emplace_back(row[2 * k], row[2 * k + 1]);
    }
    return pairs;
}

TEST(AxisTransform, TwoAnglesOnA3x3BlockTurnByQuarters) {
    int16_t **table = AxisTransform(2, 3, 3);
    ASSERT_NE(table, nullptr);
    // Offsets (dx, dy) in row-major order, dx and dy from -1 to 1.
    const std::vector<Pair> minusQuarter = {{-1, 1}, {-1, 0}, {-1, -1}, {0, 1}, {0, 0},
                                            {0, -1}, {1, 1},  {1, 0},   {1, -1}};
    const std::vector<Pair> identity = {{-1, -1}, {0, -1}, {1, -1}, {-1, 0}, {0, 0}, {1, 0}, {-1, 1}, {0, 1}, {1, 1}};
    const std::vector<Pair> plusQuarter = {{1, -1}, {1, 0},   {1, 1},  {0, -1}, {0, 0},
                                           {0, 1},  {-1, -1}, {-1, 0}, {-1, 1}};
    EXPECT_EQ(row_pairs(table, 0, 3, 3), minusQuarter) << "theta -pi/2: x' = dy, y' = -dx";
    EXPECT_EQ(row_pairs(table, 1, 3, 3), identity);
    EXPECT_EQ(row_pairs(table, 2, 3, 3), plusQuarter) << "theta +pi/2: x' = -dy, y' = dx";
    AxisDestroy(table, 2);
}

struct OffsetCase {
    const char *name;
    int angle;  // row of a table with 4 angle steps on a 5 x 5 block
    int dx;
    int dy;
    Pair rotated;
};

class AxisTransformOffsets : public ::testing::TestWithParam<OffsetCase> {};

TEST_P(AxisTransformOffsets, RoundsHalfAwayFromZero) {
    const OffsetCase &c = GetParam();
    int16_t **table = AxisTransform(4, 5, 5);
    ASSERT_NE(table, nullptr);
    const int k = (c.dy + 2) * 5 + (c.dx + 2);
    EXPECT_EQ(Pair(table[c.angle][2 * k], table[c.angle][2 * k + 1]), c.rotated);
    AxisDestroy(table, 4);
}

// At -45 degrees x' = 0.7071 (dx + dy) and y' = 0.7071 (dy - dx); at +45
// degrees x' = 0.7071 (dx - dy) and y' = 0.7071 (dx + dy).
INSTANTIATE_TEST_SUITE_P(FourSteps, AxisTransformOffsets,
                         ::testing::Values(OffsetCase{"minus45_axis", 1, 2, 0, {1, -1}},
                                           OffsetCase{"minus45_diagonal", 1, 2, 2, {3, 0}},
                                           OffsetCase{"minus45_negative", 1, -2, 1, {-1, 2}},
                                           OffsetCase{"plus45_axis", 3, 0, 2, {-1, 1}},
                                           OffsetCase{"plus45_corner", 3, -2, -2, {0, -3}}),
                         [](const auto &test) { return std::string(test.param.name); });

struct ShapeCase {
    uint8_t angles;
    uint8_t width;
    uint8_t height;
};

class AxisTransformProperty : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(AxisTransformProperty, EveryOffsetIsTheNearestRotatedPoint) {
    const ShapeCase &c = GetParam();
    int16_t **table = AxisTransform(c.angles, c.width, c.height);
    ASSERT_NE(table, nullptr);
    const double pi = 3.14159265358979323846;
    for (int a = 0; a <= c.angles; ++a) {
        const double theta = -pi / 2 + a * pi / c.angles;
        for (int j = 0; j < c.height; ++j) {
            for (int i = 0; i < c.width; ++i) {
                const int dx = i - c.width / 2;
                const int dy = j - c.height / 2;
                const int k = j * c.width + i;
                const double x = dx * std::cos(theta) - dy * std::sin(theta);
                const double y = dx * std::sin(theta) + dy * std::cos(theta);
                // Nearest integer, except within single-precision noise of a half.
                EXPECT_LE(std::fabs(table[a][2 * k] - x), 0.5 + 1e-4) << a << " " << dx << "," << dy;
                EXPECT_LE(std::fabs(table[a][2 * k + 1] - y), 0.5 + 1e-4) << a << " " << dx << "," << dy;
                if (dx == 0 && dy == 0) {
                    EXPECT_EQ(table[a][2 * k], 0);
                    EXPECT_EQ(table[a][2 * k + 1], 0);
                }
            }
        }
    }
    AxisDestroy(table, c.angles);
}

INSTANTIATE_TEST_SUITE_P(Shapes, AxisTransformProperty,
                         ::testing::Values(ShapeCase{1, 1, 1}, ShapeCase{12, 16, 16}, ShapeCase{16, 17, 9},
                                           ShapeCase{255, 33, 33}, ShapeCase{7, 255, 2}));

TEST(AxisTransform, RejectsEmptyShapes) {
    EXPECT_EQ(AxisTransform(0, 5, 5), nullptr);
    EXPECT_EQ(AxisTransform(4, 0, 5), nullptr);
    EXPECT_EQ(AxisTransform(4, 5, 0), nullptr);
    AxisDestroy(nullptr, 4);
}

TEST(AxisTransform, OutOfMemoryReturnsNullAndLeavesNothingAllocated) {
    if (!failing_malloc::available()) {
        GTEST_SKIP() << "allocation failures are injected only without sanitizers";
    }
    const size_t allocations = failing_malloc::sweep([] { return AxisTransform(6, 9, 9); },
                                                     [](int16_t **table, const failing_malloc::Outcome &outcome) {
                                                         EXPECT_EQ(table == nullptr, outcome.failed);
                                                         EXPECT_EQ(outcome.outstanding, table == nullptr ? 0 : 8);
                                                         AxisDestroy(table, 6);
                                                     });
    EXPECT_EQ(allocations, 8u) << "the pointer array and 7 rows";
}

}  // namespace
