// Normalising a gray image to a target mean and variance.
#include "failing_malloc.h"
#include "fpdevice/imaging_primitives.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

using Image = std::vector<uint8_t>;

struct NormalizeCase {
    const char *name;
    Image image;
    uint16_t height;
    uint16_t width;
    uint8_t targetMean;
    uint32_t targetVariance;
    Image expected;
};

class ImageNormalizeExamples : public ::testing::TestWithParam<NormalizeCase> {};

TEST_P(ImageNormalizeExamples, StretchesAboutTheRoundedMean) {
    NormalizeCase c = GetParam();
    EXPECT_EQ(ImageNormalize(c.image.data(), c.height, c.width, c.targetMean, c.targetVariance), 0);
    EXPECT_EQ(c.image, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, ImageNormalizeExamples,
    ::testing::Values(NormalizeCase{"constant_becomes_target_mean", Image(6, 7), 2, 3, 100, 400, Image(6, 100)},
                      NormalizeCase{"zero_target_clears", {3, 3, 3, 3}, 2, 2, 0, 0, {0, 0, 0, 0}},
                      NormalizeCase{"zero_target_variance_flattens", {0, 50, 100, 250}, 2, 2, 42, 0, {42, 42, 42, 42}},
                      // Mean 1, variance 1, gain sqrt(4) / 1 = 2: 10 -+ 2.
                      NormalizeCase{"doubles_spread", {0, 2}, 1, 2, 10, 4, {8, 12}},
                      // Gain sqrt(2): 10 - 1.414 = 8.586 rounds to 9.
                      NormalizeCase{"rounds_half_up", {0, 1}, 1, 2, 10, 2, {9, 10}},
                      // Mean 64, variance 12192, gain about 9.06: far above and below the
                      // mean the value clamps instead of wrapping.
                      NormalizeCase{"clamps_both_ends", {0, 0, 0, 255}, 2, 2, 128, 1000000, {0, 0, 0, 255}},
                      // Mean 101, variance 1, gain 100: 102 would be 300.
                      NormalizeCase{"clamps_above_255", {100, 102}, 1, 2, 200, 10000, {100, 255}},
                      NormalizeCase{"zero_height_changes_nothing", {5}, 0, 1, 128, 100, {5}}),
    [](const auto &test) { return std::string(test.param.name); });

TEST(ImageNormalize, NullImageReturnsOne) { EXPECT_EQ(ImageNormalize(nullptr, 4, 4, 128, 100), 1); }

TEST(ImageNormalize, OutOfMemoryReturnsOneAndLeavesTheImage) {
    if (!failing_malloc::available()) {
        GTEST_SKIP() << "allocation failures are injected only without sanitizers";
    }
    const Image original = {10, 20, 30, 40};
    Image image = original;
    failing_malloc::arm(0);
    const int32_t result = ImageNormalize(image.data(), 2, 2, 128, 900);
    const failing_malloc::Outcome outcome = failing_malloc::disarm();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(image, original);
    EXPECT_EQ(outcome.outstanding, 0);
}

TEST(ImageNormalizeProperty, ReachesTheTargetMeanAndVariance) {
    std::mt19937 random(99);
    struct Target {
        uint8_t mean;
        uint32_t variance;
    };
    for (const Target target : {Target{128, 1000}, Target{100, 400}, Target{160, 900}}) {
        std::normal_distribution<double> gray(90.0, 12.0);
        Image image(64 * 64);
        for (auto &sample : image) {
            const double value = gray(random);
            sample = static_cast<uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
        }
        ASSERT_EQ(ImageNormalize(image.data(), 64, 64, target.mean, target.variance), 0);
        uint32_t *histogram = HistogramCompute(image.data(), 64, 64);
        ASSERT_NE(histogram, nullptr);
        EXPECT_NEAR(HistogramGetMean(histogram), target.mean, 1);
        EXPECT_NEAR(HistogramGetVariance(histogram), target.variance, target.variance * 0.05);
        HistogramDestroy(histogram);
    }
}

}  // namespace
