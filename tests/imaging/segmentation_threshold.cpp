// Foreground threshold from the cleaned bar picture of the histogram.
#include "failing_malloc.h"
#include "histogram_images.h"
#include "fpdevice/imaging_segmentation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using histogram_images::column_of;
using histogram_images::Counts;

// weight x max(0, width - |v - centre|): linear flanks survive the
// three-bin smoothing unchanged, so the significant bins can be read off by
// hand.
Counts triangle(int centre, int width, Counts counts = Counts(256, 0), int weight = 3) {
    for (int v = 0; v < 256; ++v) {
        const int a = width - std::abs(v - centre);
        counts[v] += a > 0 ? weight * a : 0;
    }
    return counts;
}

struct ThresholdCase {
    const char *name;
    Counts counts;
    uint32_t threshold;
};

class FirstThreshold : public ::testing::TestWithParam<ThresholdCase> {};

TEST_P(FirstThreshold, PlacesTheThresholdAndBinarisesAboveIt) {
    const ThresholdCase &c = GetParam();
    const std::vector<uint8_t> input = column_of(c.counts);
    std::vector<uint8_t> image = input;
    ASSERT_LE(image.size(), 32767u);
    EXPECT_EQ(FpThresholdingGradsImage(image.data(), static_cast<int16_t>(image.size()), 1), c.threshold);
    for (size_t i = 0; i < image.size(); ++i) {
        ASSERT_EQ(image[i], input[i] > c.threshold ? 255 : 0) << "sample " << i;
    }
}

Counts with(Counts counts, int level, int extra) {
    counts[level] += extra;
    return counts;
}

// The triangle at 100 of half width 40 smooths to a maximum of 118 (total
// 4800, so no cap): bars are trunc(S * 255 / 118), and the first bar above 10
// is at 62 (S = 6), the last at 138. One peak, close to the right end: the
// threshold is (62 + 100) / 2.
INSTANTIATE_TEST_SUITE_P(
    Examples, FirstThreshold,
    ::testing::Values(ThresholdCase{"one_peak_midway_between_first_bin_and_peak", triangle(100, 40), 81},
                      // 15 samples at 50 smooth to 5 in bins 49 ... 51: bars of exactly 10,
                      // not significant. 18 give bars of 12: the first significant bin
                      // moves to 49 and the threshold to (49 + 100) / 2.
                      ThresholdCase{"bar_of_10_is_not_significant", with(triangle(100, 40), 50, 15), 81},
                      ThresholdCase{"bar_of_12_is_significant", with(triangle(100, 40), 50, 18), 74},
                      // Two separate modes, neither weak: the middle of the empty run
                      // between them.
                      ThresholdCase{"two_strong_peaks_take_the_valley", triangle(160, 30, triangle(60, 30)), 110},
                      // Bin 0 significant: the scan starts at bin 0 and compares it with a
                      // neighbour that does not exist; counted as equal, it adds nothing.
                      ThresholdCase{"first_significant_bin_0", with(triangle(100, 40), 0, 3000), 50},
                      // Bin 255 significant: the cap 0.05 * 7800 = 390 scales the triangle
                      // down, so its first significant bin is 66 (S = 18).
                      ThresholdCase{"last_significant_bin_255", with(triangle(100, 40), 255, 3000), 83},
                      // A gray image rather than gradients: a sharp first peak at 150 on a
                      // slope from 67, then peaks at 200 and 235 (valleys 187 and 222). The
                      // lift (150 - 67) * 1.5 + 150 = 274 stops at 255, not below the second
                      // peak, so the valley after the first peak is the threshold; wrapped
                      // to 18 it would have marked every sample.
                      ThresholdCase{
                          "lift_past_255_stops_there",
                          triangle(235, 10,
                                   triangle(200, 10, triangle(150, 10, triangle(150, 90, Counts(256, 0), 1), 6), 6), 6),
                          187}),
    [](const auto &test) { return std::string(test.param.name); });

TEST(FpThresholdingGradsImage, ImageWithoutPixelsGetsThresholdZeroAndIsNotWritten) {
    uint8_t image[4] = {1, 2, 3, 4};
    EXPECT_EQ(FpThresholdingGradsImage(image, 0, 4), 0u);
    EXPECT_EQ(FpThresholdingGradsImage(image, 4, 0), 0u);
    EXPECT_EQ(std::vector<uint8_t>(image, image + 4), (std::vector<uint8_t>{1, 2, 3, 4}));
}

TEST(FpThresholdingGradsImage, FewerThanTwentyCountsDrawNoBarAndMarkEveryNonZeroSample) {
    std::vector<uint8_t> image = {0, 7, 0, 200, 1, 0, 90, 255, 0};
    EXPECT_EQ(FpThresholdingGradsImage(image.data(), 3, 3), 0u);
    EXPECT_EQ(image, (std::vector<uint8_t>{0, 255, 0, 255, 255, 0, 255, 255, 0}));
}

TEST(FpThresholdingGradsImage, NullImageOrNegativeDimensionFailsWithoutTouchingTheImage) {
    EXPECT_EQ(FpThresholdingGradsImage(nullptr, 4, 4), 255u);
    uint8_t image[4] = {1, 2, 3, 4};
    EXPECT_EQ(FpThresholdingGradsImage(image, -1, 4), 255u);
    EXPECT_EQ(FpThresholdingGradsImage(image, 2, -2), 255u);
    EXPECT_EQ(std::vector<uint8_t>(image, image + 4), (std::vector<uint8_t>{1, 2, 3, 4}));
}

TEST(FpThresholdingGradsImage, FailedAllocationReturns255WithImageUnchangedAndNothingHeld) {
    if (!failing_malloc::available()) {
        GTEST_SKIP() << "allocator interposer not available under the sanitizers";
    }
    const std::vector<uint8_t> input = column_of(triangle(100, 40));
    std::vector<uint8_t> image = input;  // sized before the allocator is armed
    const size_t allocations = failing_malloc::sweep(
        [&] {
            std::copy(input.begin(), input.end(), image.begin());
            return FpThresholdingGradsImage(image.data(), static_cast<int16_t>(image.size()), 1);
        },
        [&](uint32_t result, failing_malloc::Outcome outcome) {
            EXPECT_EQ(outcome.outstanding, 0);
            if (outcome.failed) {
                EXPECT_EQ(result, 255u);
                EXPECT_EQ(image, input);
            } else {
                EXPECT_EQ(result, 81u);
            }
        });
    // Histogram, bar picture, and the working copies of the morphology.
    EXPECT_GE(allocations, 3u);
}

TEST(needRefineSegment, IsZeroAndNotTouchedByTheThresholds) {
    EXPECT_EQ(needRefineSegment, 0);
    needRefineSegment = 7;
    std::vector<uint8_t> image = column_of(triangle(100, 40));
    FpThresholdingGradsImage(image.data(), static_cast<int16_t>(image.size()), 1);
    image = column_of(triangle(100, 40));
    FpThresholdingGradsImageEx(image.data(), static_cast<int16_t>(image.size()), 1);
    EXPECT_EQ(needRefineSegment, 7);
    needRefineSegment = 0;
}

}  // namespace
