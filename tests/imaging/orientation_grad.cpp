// Angle differences and the orientation-change map of a block field.
#include "failing_malloc.h"
#include "fpdevice/imaging_orientation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct AngleCase {
    int16_t a;
    int16_t b;
    int16_t expected;
};

class AngleDiffAbsExamples : public ::testing::TestWithParam<AngleCase> {};

TEST_P(AngleDiffAbsExamples, GivesTheDifferenceModulo180) {
    const AngleCase c = GetParam();
    EXPECT_EQ(AngleDiffAbs(c.a, c.b), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Examples, AngleDiffAbsExamples,
                         ::testing::Values(AngleCase{80, -80, 20}, AngleCase{-80, 80, 20}, AngleCase{10, 20, 10},
                                           AngleCase{20, 10, 10}, AngleCase{-45, 45, 90}, AngleCase{45, -45, 90},
                                           AngleCase{0, 90, 90}, AngleCase{90, 0, 90}, AngleCase{90, -90, 0},
                                           AngleCase{-90, 90, 0}, AngleCase{0, 0, 0}, AngleCase{-89, 89, 2},
                                           AngleCase{89, -89, 2}, AngleCase{0, -91, 89}),
                         [](const auto &test) {
                             auto name = [](int v) { return v < 0 ? "m" + std::to_string(-v) : std::to_string(v); };
                             return name(test.param.a) + "_" + name(test.param.b);
                         });

// A rows x cols field of one orientation with optional exceptions.
struct Field {
    std::vector<int16_t> values;
    BlockField record;

    Field(uint16_t rows, uint16_t cols, int16_t value)
        : values(static_cast<size_t>(rows) * cols, value), record{8, rows, cols, nullptr} {
        record.data = values.data();
    }
};

std::vector<uint16_t> take_map(BlockField &result) {
    const auto *data = reinterpret_cast<const uint16_t *>(result.data);
    std::vector<uint16_t> map(data, data + static_cast<size_t>(result.rows) * result.cols);
    free(result.data);
    result.data = nullptr;
    return map;
}

TEST(FingerprintOrientGrad, OneTurnedBlockGivesTheWeightedMeanOfItsChanges) {
    Field field(9, 9, 0);
    field.values[4 * 9 + 4] = 90;
    BlockField result{0, 0, 0, nullptr};
    ASSERT_EQ(FingerprintOrientGrad(&result, &field.record), 0);
    EXPECT_EQ(result.blockSize, 8);
    EXPECT_EQ(result.rows, 9);
    EXPECT_EQ(result.cols, 9);
    const auto map = take_map(result);
    // Raw changes: 127 at the centre, 90 at its left and upper neighbours.
    EXPECT_EQ(map[4 * 9 + 4], (9 * 127 + 6 * 90 + 6 * 90 + 41) / 81);
    // Two blocks right of the upper neighbour, (3,6) sees the centre at
    // weight 2 x 1 and the upper neighbour at 3 x 1; the left one is outside.
    EXPECT_EQ(map[3 * 9 + 6], (2 * 127 + 3 * 90 + 41) / 81);
    EXPECT_EQ(map[0], 0);
    EXPECT_EQ(map[8 * 9 + 8], 0);
}

TEST(FingerprintOrientGrad, UniformFieldHasNoChange) {
    for (int16_t value : {-90, -37, 0, 45, 90}) {
        Field field(6, 7, value);
        BlockField result{0, 0, 0, nullptr};
        ASSERT_EQ(FingerprintOrientGrad(&result, &field.record), 0);
        EXPECT_EQ(take_map(result), std::vector<uint16_t>(42, 0)) << value;
    }
}

TEST(FingerprintOrientGrad, FieldsSmallerThanTheKernelStayInside) {
    // 1 x 1 and 2 x 3 fields: the 5 x 5 kernel is cut to what exists.
    Field single(1, 1, 30);
    BlockField result{0, 0, 0, nullptr};
    ASSERT_EQ(FingerprintOrientGrad(&result, &single.record), 0);
    EXPECT_EQ(take_map(result), std::vector<uint16_t>{0});

    Field small(2, 3, 0);
    small.values[0] = 60;  // changes: 60 to the right, 60 below
    ASSERT_EQ(FingerprintOrientGrad(&result, &small.record), 0);
    const auto map = take_map(result);
    // Raw changes: trunc(sqrt(60^2 + 60^2)) = 84 at (0,0), 0 elsewhere. The
    // first cut 3 x 3 sum gives 84 in columns 0 and 1 of both rows, the second
    // 4 x 84 in columns 0 and 1 and 2 x 84 in column 2.
    EXPECT_EQ(map, (std::vector<uint16_t>{(4 * 84 + 41) / 81, (4 * 84 + 41) / 81, (2 * 84 + 41) / 81,
                                          (4 * 84 + 41) / 81, (4 * 84 + 41) / 81, (2 * 84 + 41) / 81}));
}

TEST(FingerprintOrientGrad, ReleasesTheResultsOldPlaneAndMayWorkInPlace) {
    Field field(5, 5, 0);
    field.values[12] = -60;
    BlockField separate{0, 0, 0, nullptr};
    ASSERT_EQ(FingerprintOrientGrad(&separate, &field.record), 0);
    // A second call on the same result record frees the first plane (the
    // leak checker of the sanitizer build would see it otherwise).
    ASSERT_EQ(FingerprintOrientGrad(&separate, &field.record), 0);
    const auto expected = take_map(separate);

    BlockField same{8, 5, 5, static_cast<int16_t *>(malloc(25 * sizeof(int16_t)))};
    std::copy(field.values.begin(), field.values.end(), same.data);
    ASSERT_EQ(FingerprintOrientGrad(&same, &same), 0);
    EXPECT_EQ(take_map(same), expected);
}

struct ShapeCase {
    const char *name;
    uint16_t rows;
    uint16_t cols;
};

class ChangeMapOnEveryInstructionSet : public ::testing::TestWithParam<ShapeCase> {};

// The vector path folds the differences of 16 blocks at a time and ends each
// row with the plain loop: rows of any length and orientations of any 16-bit
// value (far outside -90 ... 90 too, where the fold and the square sums are
// at their limits) must give the map of the plain loops.
TEST_P(ChangeMapOnEveryInstructionSet, GivesTheMapOfThePlainLoops) {
    const ShapeCase c = GetParam();
    Field field(c.rows, c.cols, 0);
    const int16_t extremes[] = {-32768, 32767, -32588, 32587, -91, -90, -89, 89, 90, 91, 180, -180, 0};
    uint32_t state = 3;
    for (size_t i = 0; i < field.values.size(); ++i) {
        state = state * 1103515245u + 12345u;
        const uint32_t pick = state >> 16;
        field.values[i] = pick % 3 == 0 ? extremes[pick % 13] : static_cast<int16_t>(pick % 3 == 1 ? pick : pick % 181);
    }
    // A field without columns still has a plane (of nothing) to read.
    int16_t none = 0;
    if (field.values.empty()) {
        field.record.data = &none;
    }
    const char *chosen = std::getenv("FPKEY_SIMD");
    const std::string before = chosen != nullptr ? chosen : "";
    std::vector<std::vector<uint16_t>> maps;
    for (const char *path : {"scalar", "sse2", "avx2"}) {
        setenv("FPKEY_SIMD", path, 1);
        BlockField result{0, 0, 0, nullptr};
        ASSERT_EQ(FingerprintOrientGrad(&result, &field.record), 0) << path;
        maps.push_back(take_map(result));
    }
    if (chosen != nullptr) {
        setenv("FPKEY_SIMD", before.c_str(), 1);
    } else {
        unsetenv("FPKEY_SIMD");
    }
    EXPECT_EQ(maps[1], maps[0]) << "sse2";
    EXPECT_EQ(maps[2], maps[0]) << "avx2";
}

INSTANTIATE_TEST_SUITE_P(Shapes, ChangeMapOnEveryInstructionSet,
                         ::testing::Values(ShapeCase{"no_columns", 3, 0}, ShapeCase{"one_column", 4, 1},
                                           ShapeCase{"one_vector_and_a_block", 3, 17},
                                           ShapeCase{"exactly_one_vector_per_row", 5, 16},
                                           ShapeCase{"two_vectors_and_a_tail", 6, 40}),
                         [](const auto &test) { return std::string(test.param.name); });

TEST(FingerprintOrientGrad, MissingSourceDataIsABadArgumentAndTouchesNothing) {
    int16_t sentinel = 7;
    BlockField result{3, 4, 5, &sentinel};
    BlockField empty{8, 2, 2, nullptr};
    EXPECT_EQ(FingerprintOrientGrad(&result, &empty), 2);
    EXPECT_EQ(FingerprintOrientGrad(&result, nullptr), 2);
    EXPECT_EQ(FingerprintOrientGrad(nullptr, &empty), 2);
    EXPECT_EQ(result.blockSize, 3);
    EXPECT_EQ(result.rows, 4);
    EXPECT_EQ(result.cols, 5);
    EXPECT_EQ(result.data, &sentinel);
}

TEST(FingerprintOrientGrad, FailedAllocationLeavesTheResultWithoutData) {
    if (!failing_malloc::available()) {
        GTEST_SKIP() << "allocation failures cannot be injected under the sanitizers";
    }
    Field field(8, 8, 10);
    field.values[9] = -70;
    BlockField result{0, 0, 0, nullptr};
    failing_malloc::sweep(
        [&] {
            // An old plane to release on every path.
            result.data = static_cast<int16_t *>(malloc(4));
            return FingerprintOrientGrad(&result, &field.record);
        },
        [&](int32_t code, const failing_malloc::Outcome &outcome) {
            if (outcome.failed && code == 1) {
                EXPECT_EQ(result.data, nullptr);
                EXPECT_EQ(outcome.outstanding, 0u);
            } else if (outcome.failed) {
                // The failed allocation was the test's own old plane.
                EXPECT_EQ(code, 0);
                take_map(result);
            } else {
                EXPECT_EQ(code, 0);
                EXPECT_EQ(outcome.outstanding, 1u);  // the new map
                take_map(result);
            }
        });
}

}  // namespace
