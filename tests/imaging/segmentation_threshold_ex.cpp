// Foreground threshold from the smoothed half-resolution histogram, and both
// thresholds on a synthetic finger area.
#include "failing_malloc.h"
#include "histogram_images.h"
#include "fpdevice/imaging_localsums.h"
#include "fpdevice/imaging_segmentation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

using histogram_images::column_of;
using histogram_images::Counts;

Counts gaussian(double centre, double sd, double peak, Counts counts = Counts(256, 0)) {
    for (int v = 0; v < 256; ++v) {
        counts[v] += static_cast<int>(peak * std::exp(-(v - centre) * (v - centre) / (2 * sd * sd)));
    }
    return counts;
}

// Every final threshold is trunc(0.8 * 2k) of a bin threshold k, truncated
// at each step; a negative one reads as 0.
std::set<uint32_t> reachable_thresholds() {
    std::set<uint32_t> out;
    for (int k = -40; k <= 127; ++k) {
        const int doubled = 2 * k;
        out.insert(static_cast<uint32_t>(std::max(0, static_cast<int>(0.8 * doubled))));
    }
    return out;
}

TEST(FpThresholdingGradsImageEx, BinThresholdIsDoubledAndScaledWithTruncationAtEachStep) {
    const std::set<uint32_t> reachable = reachable_thresholds();
    // Bin 37 gives 74, then 59. Bins 1, 3, 4, 6 and 8 give 1, 4, 6, 9 and 12,
    // so 2, 5, 7, 10 and 13 are never produced.
    EXPECT_TRUE(reachable.count(59));
    for (uint32_t never : {2u, 5u, 7u, 10u, 13u}) {
        EXPECT_FALSE(reachable.count(never)) << never;
    }
    std::mt19937 rng(4);
    for (int round = 0; round < 40; ++round) {
        std::uniform_real_distribution<double> centre(5, 60);
        std::uniform_real_distribution<double> spread(2, 12);
        const Counts counts = gaussian(centre(rng) + 80, spread(rng) * 3, 60, gaussian(centre(rng), spread(rng), 400));
        const std::vector<uint8_t> input = column_of(counts);
        ASSERT_LE(input.size(), 32767u);
        std::vector<uint8_t> image = input;
        const uint32_t t = FpThresholdingGradsImageEx(image.data(), static_cast<int16_t>(image.size()), 1);
        ASSERT_TRUE(reachable.count(t)) << "round " << round << " threshold " << t;
        // A threshold that was negative marks the zeros too.
        const bool negative = t == 0 && std::all_of(image.begin(), image.end(), [](uint8_t v) { return v == 255; });
        for (size_t i = 0; i < image.size(); ++i) {
            ASSERT_EQ(image[i], input[i] > t || negative ? 255 : 0) << "round " << round;
        }
    }
}

TEST(FpThresholdingGradsImageEx, NarrowBackgroundAndBroadForegroundSeparate) {
    // The foreground mode must stand above the mean bin after folding, or it
    // is taken for part of the floor.
    const Counts counts = gaussian(150, 25, 200, gaussian(12, 3, 2000));
    const std::vector<uint8_t> input = column_of(counts);
    std::vector<uint8_t> image = input;
    const uint32_t t = FpThresholdingGradsImageEx(image.data(), static_cast<int16_t>(image.size()), 1);
    EXPECT_GT(t, 24u);
    EXPECT_LT(t, 80u);
    for (size_t i = 0; i < image.size(); ++i) {
        ASSERT_EQ(image[i], input[i] > t ? 255 : 0);
    }
}

TEST(FpThresholdingGradsImageEx, WithoutAnyPeakThresholdIsZero) {
    // Four single samples smooth to counts below 1: the histogram is empty
    // after smoothing, and every non-zero sample is foreground.
    std::vector<uint8_t> image = {0, 50, 100, 150};
    EXPECT_EQ(FpThresholdingGradsImageEx(image.data(), 2, 2), 0u);
    EXPECT_EQ(image, (std::vector<uint8_t>{0, 255, 255, 255}));

    uint8_t untouched[2] = {9, 9};
    EXPECT_EQ(FpThresholdingGradsImageEx(untouched, 0, 2), 0u);
    EXPECT_EQ(untouched[0], 9);
}

TEST(FpThresholdingGradsImageEx, NegativeThresholdMarksEverySampleIncludingZeros) {
    // A wide mode right at the bottom: 2.5 widths below its centre is below
    // bin 0, and the zeros become foreground.
    Counts counts = gaussian(16, 2, 2000);
    counts[0] += 20;
    std::vector<uint8_t> image = column_of(counts);
    const uint32_t t = FpThresholdingGradsImageEx(image.data(), static_cast<int16_t>(image.size()), 1);
    EXPECT_EQ(t, 0u) << "a negative threshold reads as 0, not as its low 8 bits";
    EXPECT_TRUE(std::all_of(image.begin(), image.end(), [](uint8_t v) { return v == 255; }));
}

TEST(FpThresholdingGradsImageEx, NullImageOrNegativeDimensionFails) {
    EXPECT_EQ(FpThresholdingGradsImageEx(nullptr, 2, 2), 255u);
    uint8_t image[4] = {1, 2, 3, 4};
    EXPECT_EQ(FpThresholdingGradsImageEx(image, -2, 2), 255u);
    EXPECT_EQ(std::vector<uint8_t>(image, image + 4), (std::vector<uint8_t>{1, 2, 3, 4}));
}

TEST(FpThresholdingGradsImageEx, FailedHistogramReturns255WithImageUnchanged) {
    if (!failing_malloc::available()) {
        GTEST_SKIP() << "allocator interposer not available under the sanitizers";
    }
    const std::vector<uint8_t> input = column_of(gaussian(150, 25, 200, gaussian(12, 3, 2000)));
    std::vector<uint8_t> image = input;
    const size_t allocations = failing_malloc::sweep(
        [&] {
            std::copy(input.begin(), input.end(), image.begin());
            return FpThresholdingGradsImageEx(image.data(), static_cast<int16_t>(image.size()), 1);
        },
        [&](uint32_t result, failing_malloc::Outcome outcome) {
            EXPECT_EQ(outcome.outstanding, 0);
            if (outcome.failed) {
                EXPECT_EQ(result, 255u);
                EXPECT_EQ(image, input);
            }
        });
    EXPECT_EQ(allocations, 1u) << "the histogram is the only allocation";
}

// ---- A synthetic finger: ridges of period 8 inside a disc, flat outside ----

constexpr int kSide = 160;
constexpr double kRadius = 50;

bool in_disc(int y, int x) {
    const double dy = y - kSide / 2.0;
    const double dx = x - kSide / 2.0;
    return dy * dy + dx * dx <= kRadius * kRadius;
}

// Sobel gradient magnitude / 4, clipped to 255, of the ridge disc.
std::vector<uint8_t> finger_gradients() {
    std::vector<int> gray(kSide * kSide);
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> noise(-2, 2);
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const double ridge = 128 + 90 * std::sin(2 * M_PI * (0.6 * x + 0.8 * y) / 8);
            gray[y * kSide + x] = (in_disc(y, x) ? static_cast<int>(ridge) : 200) + noise(rng);
        }
    }
    std::vector<uint8_t> grads(kSide * kSide, 0);
    for (int y = 1; y + 1 < kSide; ++y) {
        for (int x = 1; x + 1 < kSide; ++x) {
            auto g = [&](int dy, int dx) { return gray[(y + dy) * kSide + x + dx]; };
            const int gx = g(-1, 1) + 2 * g(0, 1) + g(1, 1) - g(-1, -1) - 2 * g(0, -1) - g(1, -1);
            const int gy = g(1, -1) + 2 * g(1, 0) + g(1, 1) - g(-1, -1) - 2 * g(-1, 0) - g(-1, 1);
            const int m = static_cast<int>(std::sqrt(double(gx * gx + gy * gy)) / 4);
            grads[y * kSide + x] = static_cast<uint8_t>(std::min(m, 255));
        }
    }
    return grads;
}

// Share of the disc's area covered by the mask's disagreement with it.
double mismatch_with_disc(const std::vector<uint8_t> &mask) {
    int wrong = 0;
    int disc = 0;
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            disc += in_disc(y, x) ? 1 : 0;
            wrong += (mask[y * kSide + x] != 0) != in_disc(y, x) ? 1 : 0;
        }
    }
    return double(wrong) / disc;
}

struct FingerCase {
    const char *name;
    uint32_t (*threshold)(uint8_t *, int16_t, int16_t);
};

class FingerArea : public ::testing::TestWithParam<FingerCase> {};

TEST_P(FingerArea, RoundFingerOnFlatBackgroundSegmentsToRoughlyTheDisc) {
    std::vector<uint8_t> mask = finger_gradients();
    const uint32_t t = GetParam().threshold(mask.data(), kSide, kSide);
    EXPECT_LT(t, 255u);
    // Ridge crests have small gradients: close the mask as a caller would.
    ASSERT_EQ(MY_BWDilateFastUint16(mask.data(), kSide, kSide, 7, 7), 0);
    ASSERT_EQ(MY_BWErodeFastUint16(mask.data(), kSide, kSide, 7, 7), 0);
    EXPECT_LT(mismatch_with_disc(mask), 0.15) << "threshold " << t;
}

INSTANTIATE_TEST_SUITE_P(BothThresholds, FingerArea,
                         ::testing::Values(FingerCase{"bar_picture", FpThresholdingGradsImage},
                                           FingerCase{"smoothed_histogram", FpThresholdingGradsImageEx}),
                         [](const auto &test) { return std::string(test.param.name); });

}  // namespace
