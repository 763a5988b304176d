// Four-direction gradients on a sparse grid of sample points.
#include "failing_malloc.h"

#include "on_every_simd_path.h"
#include "test_names.h"

#include "fpdevice/imaging_quality.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

struct Picture {
    int height;
    int width;
    std::vector<uint8_t> samples;

    uint8_t &at(int y, int x) { return samples[static_cast<size_t>(y) * width + x]; }
};

Picture flat(int height, int width, uint8_t level) {
    return Picture{height, width, std::vector<uint8_t>(static_cast<size_t>(height) * width, level)};
}

Picture noise(int height, int width, unsigned seed) {
    Picture p = flat(height, width, 0);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> level(0, 255);
    for (auto &s : p.samples) {
        s = static_cast<uint8_t>(level(random));
    }
    return p;
}

struct GridOwner {
    uint16_t *cells = nullptr;
    ~GridOwner() { free(cells); }
};

struct SetOwner {
    uint16_t **set = nullptr;
    ~SetOwner() {
        if (set != nullptr) {
            for (int d = 0; d < 4; ++d) {
                free(set[d]);
            }
            free(set);
        }
    }
};

struct LineCase {
    const char *name;
    Picture picture;
    uint8_t direction;
    uint16_t expected;  // the value of cell (1, 1), centre (4, 4), step 4
};

class DirectionGradientLines : public ::testing::TestWithParam<LineCase> {};

TEST_P(DirectionGradientLines, CellValueIsTheSpreadAboutTheMeanOfSeven) {
    const LineCase &c = GetParam();
    GridOwner grid;
    ASSERT_EQ(FpGetImg4DirectionGrads(c.picture.samples.data(), 8, 8, &grid.cells, c.direction, 4), 0);
    EXPECT_EQ(grid.cells[0], 0);
    EXPECT_EQ(grid.cells[1], 0);
    EXPECT_EQ(grid.cells[2], 0);
    EXPECT_EQ(grid.cells[3], c.expected);
}

Picture spike() {
    Picture p = flat(8, 8, 10);
    p.at(4, 4) = 100;
    return p;
}

// A horizontal line of 200 on row 4.
Picture horizontal_line() {
    Picture p = flat(8, 8, 0);
    for (int x = 0; x < 8; ++x) {
        p.at(4, x) = 200;
    }
    return p;
}

// A line rising to the right through (4, 4): only direction 1 runs along it.
Picture rising_line() {
    Picture p = flat(8, 8, 0);
    for (int k = -3; k <= 3; ++k) {
        p.at(4 - k, 4 + k) = 140;
    }
    return p;
}

INSTANTIATE_TEST_SUITE_P(Lines, DirectionGradientLines,
                         ::testing::Values(
                             // 10 10 10 100 10 10 10: m = 160 / 7 = 22, 6 x 12 = 72, in every direction.
                             LineCase{"spike_horizontal", spike(), 0, 72}, LineCase{"spike_vertical", spike(), 2, 72},
                             LineCase{"spike_diagonal", spike(), 3, 72},
                             LineCase{"along_a_horizontal_line", horizontal_line(), 0, 0},
                             // 0 0 0 200 0 0 0: m = 28, 6 x 28.
                             LineCase{"across_a_horizontal_line", horizontal_line(), 2, 168},
                             LineCase{"diagonal_across_a_horizontal_line", horizontal_line(), 1, 168},
                             LineCase{"along_a_rising_line", rising_line(), 1, 0},
                             // 140 at the centre only: m = 20, 6 x 20.
                             LineCase{"across_a_rising_line", rising_line(), 3, 120}),
                         fpkey_test::ByName());

TEST(DirectionGradients, GridShapeAndTheRingsLeftAtZero) {
    const Picture p = noise(256, 256, 3);
    SetOwner set;
    set.set = FpGetImg4DirectionGradsEx(p.samples.data(), 256, 256, 8);
    ASSERT_NE(set.set, nullptr);
    for (uint8_t d = 0; d < 4; ++d) {
        GridOwner single;
        ASSERT_EQ(FpGetImg4DirectionGrads(p.samples.data(), 256, 256, &single.cells, d, 8), 0);
        int computedInLastRow = 0;
        for (int i = 0; i < 32; ++i) {
            for (int j = 0; j < 32; ++j) {
                const uint16_t one = single.cells[i * 32 + j];
                const uint16_t four = set.set[d][i * 32 + j];
                if (i == 0 || j == 0) {
                    ASSERT_EQ(one, 0) << "direction " << int{d} << " cell " << i << ", " << j;
                }
                if (i == 0 || j == 0 || i == 31 || j == 31) {
                    ASSERT_EQ(four, 0) << "direction " << int{d} << " cell " << i << ", " << j;
                } else {
                    ASSERT_EQ(four, one) << "direction " << int{d} << " cell " << i << ", " << j;
                }
                computedInLastRow += (i == 31 && j > 0 && one != 0) ? 1 : 0;
            }
        }
        EXPECT_GT(computedInLastRow, 20) << "the single grid computes its last row";
    }
}

// The lanes take the cells of step 4 eight at a time and leave the last cell
// and the rest of a row to the plain loop: widths with every count of cells
// left over, on noise, must give the grids of the plain loop.
TEST(DirectionGradients, EveryInstructionSetGivesTheSameGrids) {
    for (const auto &[height, width] : {std::pair{24, 40}, std::pair{17, 45}, std::pair{30, 67}, std::pair{12, 100}}) {
        const Picture p = noise(height, width, static_cast<unsigned>(width));
        const auto results = fpkey_test::OnEverySimdPath([&] {
            SetOwner set;
            set.set = FpGetImg4DirectionGradsEx(p.samples.data(), static_cast<int16_t>(height),
                                                static_cast<int16_t>(width), 4);
            std::vector<std::vector<uint16_t>> grids;
            for (int d = 0; set.set != nullptr && d < 4; ++d) {
                grids.emplace_back(set.set[d], set.set[d] + (height / 4) * (width / 4));
            }
            return grids;
        });
        ASSERT_EQ(results[0].second.size(), 4u);
        for (const auto &[path, grids] : results) {
            EXPECT_EQ(grids, results[0].second) << path << ", " << height << " x " << width;
        }
    }
}

TEST(DirectionGradients, VerticalStripesVaryLeastInDirectionTwo) {
    Picture p = flat(64, 64, 0);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            p.at(y, x) = (x / 3) % 2 == 0 ? 220 : 30;
        }
    }
    SetOwner set;
    set.set = FpGetImg4DirectionGradsEx(p.samples.data(), 64, 64, 4);
    ASSERT_NE(set.set, nullptr);
    for (int i = 1; i < 15; ++i) {
        for (int j = 1; j < 15; ++j) {
            const size_t c = static_cast<size_t>(i) * 16 + j;
            EXPECT_EQ(set.set[2][c], 0);
            EXPECT_GT(set.set[0][c], 0);
            EXPECT_GT(set.set[1][c], 0);
            EXPECT_GT(set.set[3][c], 0);
        }
    }
}

// Mended: row offsets were formed in 16 bits, so rows longer than 10922
// samples sent the vertical and diagonal lines to the wrong rows.
TEST(DirectionGradients, RowsLongerThan10922SamplesKeepTheirRowOffsets) {
    const int width = 12000;
    Picture p = flat(8, width, 0);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < width; ++x) {
            p.at(y, x) = static_cast<uint8_t>(10 * y);
        }
    }
    // Rows 1 ... 7 hold 10 ... 70: m = 40, 30 + 20 + 10 + 10 + 20 + 30.
    for (uint8_t d : {1, 2, 3}) {
        GridOwner grid;
        ASSERT_EQ(FpGetImg4DirectionGrads(p.samples.data(), 8, width, &grid.cells, d, 4), 0);
        for (int j = 1; j < width / 4; ++j) {
            ASSERT_EQ(grid.cells[width / 4 + j], 120) << "direction " << int{d} << " column " << j;
        }
    }
}

// The value of one line by the definition, for cells known to lie inside.
uint16_t line_value(Picture &p, int x, int y, int d) {
    static const int kDx[4][6] = {
        {-3, -2, -1, 1, 2, 3}, {-3, -2, -1, 1, 2, 3}, {0, 0, 0, 0, 0, 0}, {-3, -2, -1, 1, 2, 3}};
    static const int kDy[4][6] = {
        {0, 0, 0, 0, 0, 0}, {3, 2, 1, -1, -2, -3}, {3, 2, 1, -1, -2, -3}, {-3, -2, -1, 1, 2, 3}};
    int sum = p.at(y, x);
    for (int k = 0; k < 6; ++k) {
        sum += p.at(y + kDy[d][k], x + kDx[d][k]);
    }
    int value = 0;
    for (int k = 0; k < 6; ++k) {
        value += std::abs(p.at(y + kDy[d][k], x + kDx[d][k]) - sum / 7);
    }
    return static_cast<uint16_t>(value);
}

// Mended: with steps below 4 the lines of edge cells left the image; those
// cells now stay 0 and every other cell is computed as usual.
TEST(DirectionGradients, SmallStepsLeaveCellsWhoseLinesLeaveTheImageAtZero) {
    Picture p = noise(11, 13, 9);
    for (uint8_t step : {1, 2, 3}) {
        SetOwner set;
        set.set = FpGetImg4DirectionGradsEx(p.samples.data(), 11, 13, step);
        ASSERT_NE(set.set, nullptr);
        const int rows = 11 / step;
        const int cols = 13 / step;
        for (uint8_t d = 0; d < 4; ++d) {
            GridOwner grid;
            ASSERT_EQ(FpGetImg4DirectionGrads(p.samples.data(), 11, 13, &grid.cells, d, step), 0);
            const int reachX = d == 2 ? 0 : 3;
            const int reachY = d == 0 ? 0 : 3;
            for (int i = 1; i < rows; ++i) {
                for (int j = 1; j < cols; ++j) {
                    const int x = j * step;
                    const int y = i * step;
                    const bool inside = x >= reachX && x + reachX < 13 && y >= reachY && y + reachY < 11;
                    const uint16_t expected = inside ? line_value(p, x, y, d) : 0;
                    const size_t cell = static_cast<size_t>(i) * cols + j;
                    ASSERT_EQ(grid.cells[cell], expected)
                        << "step " << int{step} << " direction " << int{d} << " cell " << i << ", " << j;
                    const bool outerRing = i == rows - 1 || j == cols - 1;
                    ASSERT_EQ(set.set[d][cell], outerRing ? 0 : expected)
                        << "step " << int{step} << " direction " << int{d} << " cell " << i << ", " << j;
                }
            }
        }
    }
}

struct BadCase {
    const char *name;
    bool nullImage;
    int16_t height;
    int16_t width;
    uint8_t step;
};

class DirectionGradientBadArguments : public ::testing::TestWithParam<BadCase> {};

TEST_P(DirectionGradientBadArguments, AreRefusedWithoutAGrid) {
    const BadCase &c = GetParam();
    const Picture p = flat(16, 16, 5);
    const uint8_t *image = c.nullImage ? nullptr : p.samples.data();
    uint16_t *grid = reinterpret_cast<uint16_t *>(&grid);
    EXPECT_EQ(FpGetImg4DirectionGrads(image, c.height, c.width, &grid, 0, c.step), 2);
    EXPECT_EQ(grid, nullptr);
    EXPECT_EQ(FpGetImg4DirectionGradsEx(image, c.height, c.width, c.step), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Arguments, DirectionGradientBadArguments,
                         ::testing::Values(BadCase{"null_image", true, 16, 16, 4},
                                           BadCase{"zero_height", false, 0, 16, 4},
                                           BadCase{"negative_width", false, 16, -1, 4},
                                           BadCase{"step_0", false, 16, 16, 0}),
                         fpkey_test::ByName());

TEST(DirectionGradients, DirectionAboveThreeHandsOutAZeroGridWithResultTwo) {
    const Picture p = noise(16, 16, 1);
    GridOwner grid;
    EXPECT_EQ(FpGetImg4DirectionGrads(p.samples.data(), 16, 16, &grid.cells, 4, 4), 2);
    ASSERT_NE(grid.cells, nullptr);
    EXPECT_EQ(std::vector<uint16_t>(grid.cells, grid.cells + 16), std::vector<uint16_t>(16, 0));
    EXPECT_EQ(FpGetImg4DirectionGrads(p.samples.data(), 16, 16, nullptr, 0, 4), 2);
}

TEST(DirectionGradients, FailedAllocationsLeaveNothingAllocated) {
    if (!failing_malloc::available()) {
        GTEST_SKIP() << "allocation failures cannot be injected under the sanitizers";
    }
    const Picture p = noise(32, 32, 2);
    const std::size_t allocations =
        failing_malloc::sweep([&] { return FpGetImg4DirectionGradsEx(p.samples.data(), 32, 32, 4); },
                              [&](uint16_t **set, const failing_malloc::Outcome &outcome) {
                                  if (outcome.failed) {
                                      EXPECT_EQ(set, nullptr);
                                      EXPECT_EQ(outcome.outstanding, 0);
                                  } else {
                                      SetOwner owner{set};
                                      EXPECT_EQ(outcome.outstanding, 5);
                                  }
                              });
    EXPECT_EQ(allocations, 5u);

    uint16_t *grid = nullptr;
    failing_malloc::arm(0);
    const int32_t result = FpGetImg4DirectionGrads(p.samples.data(), 32, 32, &grid, 1, 4);
    ASSERT_TRUE(failing_malloc::disarm().failed);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(grid, nullptr);
}

}  // namespace
