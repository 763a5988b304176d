// Ridge spacing map on 4 x 4-pixel cells.
#include "failing_malloc.h"
#include "fpdevice/imaging_frequency.h"
#include "on_every_simd_path.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

using Image = std::vector<uint8_t>;

// A field of rows x cols blocks, every block at the given orientation.
struct Field {
    std::vector<int16_t> data;
    BlockField record;

    Field(int rows, int cols, int16_t degrees)
        : data(static_cast<size_t>(rows) * cols, degrees),
          record{8, static_cast<uint16_t>(rows), static_cast<uint16_t>(cols), nullptr} {
        record.data = data.data();
    }
};

// Runs the routine and keeps the map; cells() lists them row-major.
struct SpacingMap {
    int32_t code = -1;
    uint8_t *map = nullptr;
    int rows = 0;
    int cols = 0;

    SpacingMap(const Image &image, int h, int w, const BlockField &field) : rows(h >> 2), cols(w >> 2) {
        code = FpGetFrequency(image.data(), static_cast<int16_t>(h), static_cast<int16_t>(w), &field, &map);
    }
    ~SpacingMap() { std::free(map); }
    SpacingMap(const SpacingMap &) = delete;
    SpacingMap &operator=(const SpacingMap &) = delete;

    uint8_t at(int cy, int cx) const { return map[cy * cols + cx]; }
};

Image rows_of(int h, int w, const std::function<int(int)> &rowValue) {
    Image image(static_cast<size_t>(h) * w);
    for (int y = 0; y < h; ++y) {
        std::fill_n(image.begin() + y * w, w, static_cast<uint8_t>(rowValue(y)));
    }
    return image;
}

// Sinusoidal ridges running along (cos t, sin t), rows counting downward.
Image ridges(int h, int w, double degrees, double period) {
    const double t = degrees * M_PI / 180.0;
    Image image(static_cast<size_t>(h) * w);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const double across = -x * std::sin(t) + y * std::cos(t);
            image[y * w + x] = static_cast<uint8_t>(std::lround(128 + 100 * std::sin(2 * M_PI * across / period)));
        }
    }
    return image;
}

// Every cell whose profile stays inside the image, and more.
template <typename Check>
void for_interior_cells(const SpacingMap &m, int margin, Check check) {
    for (int cy = margin; cy + margin < m.rows; ++cy) {
        for (int cx = margin; cx + margin < m.cols; ++cx) {
            check(cy, cx, m.at(cy, cx));
        }
    }
}

struct SinusoidCase {
    const char *name;
    double degrees;
    double period;
};

class SinusoidSpacing : public ::testing::TestWithParam<SinusoidCase> {};

TEST_P(SinusoidSpacing, PeriodPGivesAValueNearEightTimesP) {
    const SinusoidCase &c = GetParam();
    const Image image = ridges(96, 96, c.degrees, c.period);
    const Field field(12, 12, static_cast<int16_t>(c.degrees));
    const SpacingMap m(image, 96, 96, field.record);
    ASSERT_EQ(m.code, 0);
    int cells = 0;
    for_interior_cells(m, 5, [&](int cy, int cx, uint8_t v) {
        ++cells;
        // Sampling on whole pixels and ties going to the larger distance
        // put the value within one pixel (8) above or below 8 P.
        EXPECT_NEAR(v, 8 * c.period, 9.0) << "cell " << cy << "," << cx;
    });
    EXPECT_GT(cells, 100);
}

INSTANTIATE_TEST_SUITE_P(
    Orientations, SinusoidSpacing,
    ::testing::Values(SinusoidCase{"horizontal_period_6", 0, 6}, SinusoidCase{"horizontal_period_10", 0, 10},
                      SinusoidCase{"vertical_period_8", 90, 8}, SinusoidCase{"minus_vertical_period_12", -90, 12},
                      SinusoidCase{"falling_right_30_period_9", 30, 9},
                      SinusoidCase{"rising_right_minus_45_period_7", -45, 7},
                      SinusoidCase{"steep_60_period_11", 60, 11}, SinusoidCase{"shallow_minus_20_period_13", -20, 13}),
    [](const auto &test) { return std::string(test.param.name); });

struct ProfileCase {
    const char *name;
    std::function<int(int)> row;  // gray value of image row y
    uint8_t value;                // of every interior cell
};

class ProfileExamples : public ::testing::TestWithParam<ProfileCase> {};

// Horizontal rows at orientation 0: the profile of a cell is the column of
// rows y - 16 ... y + 16 (each point averaged with equal neighbours).
TEST_P(ProfileExamples, SpacingOfPeaksAndValleys) {
    const ProfileCase &c = GetParam();
    const Image image = rows_of(128, 64, c.row);
    const Field field(16, 8, 0);
    const SpacingMap m(image, 128, 64, field.record);
    ASSERT_EQ(m.code, 0);
    for_interior_cells(m, 5, [&](int cy, int cx, uint8_t v) { ASSERT_EQ(v, c.value) << "cell " << cy << "," << cx; });
}

int triangle_wave(int y, int period, int valleyAt) {
    const int phase = ((y - valleyAt) % period + period) % period;
    return 40 + 10 * std::min(phase, period - phase);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, ProfileExamples,
    ::testing::Values(
        // Peaks every 8 rows: d = 7, 8 and 9 all sum to the same count and
        // the larger wins.
        ProfileCase{"even_spacing_8_reads_as_9", [](int y) { return y % 8 == 4 ? 200 : 50; }, 72},
        // Two peaks and two valleys 8 apart: three half periods from the
        // first to the last extremum, 2 * ((8 * 24) / 3).
        ProfileCase{"two_peaks_two_valleys", [](int y) { return triangle_wave(y, 16, 2); }, 128},
        // Period 40: at most one peak and one valley in 33 samples.
        ProfileCase{"one_peak_stays_unmeasured", [](int y) { return triangle_wave(y, 40, 0); }, 255},
        ProfileCase{"flat_image_stays_unmeasured", [](int) { return 90; }, 255},
        // Spacing 40 is 320: cut to 255.
        ProfileCase{"wide_spacing_is_cut_to_255", [](int y) { return y % 40 == 0 ? 200 : 50; }, 255}),
    [](const auto &test) { return std::string(test.param.name); });

// Coarse gray levels make flat tops and bottoms in most profiles, where the
// extrema lie at their middles. Every instruction set must give the map of
// the plain loops, also where a profile point of a cell near the border has
// no sample inside and keeps the value of the cell before it (80 x 112 and
// 96 x 72: the cell before was sampled with three others on the lane paths).
TEST(FpGetFrequency, EveryInstructionSetGivesTheSameMap) {
    for (const auto &[h, w] : {std::pair{96, 120}, std::pair{80, 112}, std::pair{96, 72}}) {
        Image image(static_cast<size_t>(h) * w);
        uint32_t state = 99;
        for (size_t i = 0; i < image.size(); ++i) {
            state = state * 1103515245u + 12345u;
            image[i] = static_cast<uint8_t>(60 * ((state >> 24) % 4));
        }
        Field field((h + 7) / 8, (w + 7) / 8, 0);
        for (size_t b = 0; b < field.data.size(); ++b) {
            field.data[b] = static_cast<int16_t>(static_cast<int>(b * 37 % 181) - 90);
        }
        const auto maps = fpkey_test::OnEverySimdPath([&] {
            const SpacingMap m(image, h, w, field.record);
            return m.code == 0 ? std::vector<uint8_t>(m.map, m.map + m.rows * m.cols) : std::vector<uint8_t>{};
        });
        ASSERT_FALSE(maps[0].second.empty());
        for (const auto &[path, map] : maps) {
            EXPECT_EQ(map, maps[0].second) << path << ", " << h << " x " << w;
        }
    }
}

TEST(FpGetFrequency, FieldRowsAreReadFromTheBottomOfTheImageUp) {
    // Horizontal ridges; the field is right (0) only in its first four rows,
    // which describe the lower half of the image.
    const Image image = ridges(64, 64, 0, 8);
    Field field(8, 8, 90);
    std::fill(field.data.begin(), field.data.begin() + 4 * 8, int16_t{0});
    const SpacingMap m(image, 64, 64, field.record);
    ASSERT_EQ(m.code, 0);
    for (int cx = 5; cx < 11; ++cx) {
        EXPECT_EQ(m.at(2, cx), 255) << "upper image half, wrong orientation";
        EXPECT_EQ(m.at(11, cx), 72) << "lower image half";
    }
}

TEST(FpGetFrequency, BlocksBeyondTheFieldReuseItsLastRowAndColumn) {
    const Image image = ridges(64, 64, 0, 8);
    const Field one(1, 1, 0);
    const SpacingMap small(image, 64, 64, one.record);
    const Field full(8, 8, 0);
    const SpacingMap reference(image, 64, 64, full.record);
    ASSERT_EQ(small.code, 0);
    ASSERT_EQ(reference.code, 0);
    EXPECT_TRUE(std::equal(small.map, small.map + 256, reference.map));
}

TEST(FpGetFrequency, OrientationOutsideTheTableRangeLeavesTheCellUnmeasured) {
    const Image image = ridges(64, 64, 0, 8);
    for (int16_t wrong : {int16_t{91}, int16_t{-91}, int16_t{180}, int16_t{-32768}, int16_t{32767}}) {
        Field field(8, 8, 0);
        field.data[3 * 8 + 4] = wrong;  // image rows 32 ... 39, columns 32 ... 39
        const SpacingMap m(image, 64, 64, field.record);
        ASSERT_EQ(m.code, 0);
        for (int cy = 8; cy < 10; ++cy) {
            for (int cx = 8; cx < 10; ++cx) {
                EXPECT_EQ(m.at(cy, cx), 255) << wrong;
            }
        }
        EXPECT_EQ(m.at(8, 10), 72) << "neighbouring block measured";
    }
}

TEST(FpGetFrequency, CellsNearTheBorderUseTheSamplesThatExist) {
    // A tiny image: every profile reaches outside; nothing is read there
    // (the sanitizer build checks), and the map has one cell per 4 x 4.
    const Image image = ridges(10, 7, 0, 4);
    const Field field(2, 1, 0);
    const SpacingMap m(image, 10, 7, field.record);
    ASSERT_EQ(m.code, 0);
    EXPECT_EQ(m.rows * m.cols, 2);
}

TEST(FpGetFrequency, ImageSmallerThanACellGetsAnEmptyMap) {
    const Image image(3 * 3, 7);
    const Field field(1, 1, 0);
    const SpacingMap m(image, 3, 3, field.record);
    EXPECT_EQ(m.code, 0);
    EXPECT_NE(m.map, nullptr);
}

TEST(FpGetFrequency, BadArgumentsGiveTwoAndNoMap) {
    const Image image(16 * 16, 0);
    Field field(2, 2, 0);
    BlockField noData = field.record;
    noData.data = nullptr;
    BlockField noRows = field.record;
    noRows.rows = 0;
    BlockField noCols = field.record;
    noCols.cols = 0;
    struct Case {
        const uint8_t *image;
        int16_t h;
        int16_t w;
        const BlockField *field;
    };
    const Case cases[] = {{nullptr, 16, 16, &field.record},     {image.data(), 16, 16, nullptr},
                          {image.data(), 16, 16, &noData},      {image.data(), 16, 16, &noRows},
                          {image.data(), 16, 16, &noCols},      {image.data(), 0, 16, &field.record},
                          {image.data(), 16, -1, &field.record}};
    for (const Case &c : cases) {
        uint8_t *map = reinterpret_cast<uint8_t *>(&field);  // must be overwritten
        EXPECT_EQ(FpGetFrequency(c.image, c.h, c.w, c.field, &map), 2);
        EXPECT_EQ(map, nullptr);
    }
    EXPECT_EQ(FpGetFrequency(image.data(), 16, 16, &field.record, nullptr), 2);
}

TEST(FpGetFrequency, FailedAllocationGivesOneAndHandsOutNothing) {
    if (!failing_malloc::available()) {
        GTEST_SKIP() << "allocator interposer not available under the sanitizers";
    }
    const Image image = ridges(32, 32, 0, 8);
    const Field field(4, 4, 0);
    uint8_t *map = nullptr;
    const size_t allocations =
        failing_malloc::sweep([&] { return FpGetFrequency(image.data(), 32, 32, &field.record, &map); },
                              [&](int32_t result, failing_malloc::Outcome outcome) {
                                  if (outcome.failed) {
                                      EXPECT_EQ(result, 1);
                                      EXPECT_EQ(map, nullptr);
                                      EXPECT_EQ(outcome.outstanding, 0);
                                  } else {
                                      EXPECT_EQ(result, 0);
                                      EXPECT_EQ(outcome.outstanding, 1) << "the map";
                                      std::free(map);
                                  }
                              });
    EXPECT_EQ(allocations, 1u) << "the map is the only allocation";
}

}  // namespace
