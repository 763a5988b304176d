// Histograms: creation, computation, mean and variance.
#include "failing_malloc.h"
#include "fpdevice/imaging_primitives.h"
#include "on_every_simd_path.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

using Histogram = std::vector<uint32_t>;

Histogram make_histogram(const std::map<int, uint32_t> &counts) {
    Histogram histogram(FP_HISTOGRAM_BINS, 0);
    for (const auto &[level, count] : counts) {
        histogram[static_cast<size_t>(level)] = count;
    }
    return histogram;
}

TEST(HistogramCreate, GivesAZeroedWritableRecordOf256Counts) {
    uint32_t *histogram = HistogramCreate();
    ASSERT_NE(histogram, nullptr);
    EXPECT_EQ(Histogram(histogram, histogram + FP_HISTOGRAM_BINS), make_histogram({}));
    histogram[FP_HISTOGRAM_BINS - 1] = 5;  // the sanitizer build catches a short block
    EXPECT_EQ(HistogramGetMean(histogram), 255);
    HistogramDestroy(histogram);
}

TEST(HistogramCompute, CountsEverySampleByGrayLevel) {
    const uint8_t image[2 * 3] = {0, 255, 7, 7, 255, 7};
    uint32_t *histogram = HistogramCompute(image, 2, 3);
    ASSERT_NE(histogram, nullptr);
    EXPECT_EQ(Histogram(histogram, histogram + FP_HISTOGRAM_BINS), make_histogram({{0, 1}, {7, 3}, {255, 2}}));
    HistogramDestroy(histogram);
    EXPECT_EQ(HistogramCompute(nullptr, 4, 4), nullptr);
}

TEST(HistogramCompute, ReturnsNullWhenOutOfMemory) {
    if (!failing_malloc::available()) {
        GTEST_SKIP() << "allocation failures are injected only without sanitizers";
    }
    const uint8_t image[4] = {1, 2, 3, 4};
    const size_t allocations = failing_malloc::sweep([&] { return HistogramCompute(image, 2, 2); },
                                                     [](uint32_t *histogram, const failing_malloc::Outcome &outcome) {
                                                         EXPECT_EQ(histogram == nullptr, outcome.failed);
                                                         HistogramDestroy(histogram);
                                                     });
    EXPECT_EQ(allocations, 1u);
}

// Large images are counted by pairs of samples in a scratch table; without
// room for it the routine still counts, and nothing is left held.
TEST(HistogramCompute, CountsWithoutItsScratchTableToo) {
    if (!failing_malloc::available()) {
        GTEST_SKIP() << "allocation failures are injected only without sanitizers";
    }
    std::vector<uint8_t> image(256 * 256, 9);
    image[5] = 4;
    const Histogram counts = make_histogram({{4, 1}, {9, 256 * 256 - 1}});
    size_t attempt = 0;
    const size_t allocations =
        failing_malloc::sweep([&] { return HistogramCompute(image.data(), 256, 256); },
                              [&](uint32_t *histogram, const failing_malloc::Outcome &outcome) {
                                  if (outcome.failed && attempt++ == 0) {
                                      EXPECT_EQ(histogram, nullptr) << "the record itself";
                                  } else {
                                      ASSERT_NE(histogram, nullptr);
                                      EXPECT_EQ(Histogram(histogram, histogram + FP_HISTOGRAM_BINS), counts);
                                  }
                                  EXPECT_EQ(outcome.outstanding, histogram != nullptr ? 1 : 0);
                                  HistogramDestroy(histogram);
                              });
    const char *path = std::getenv("FPKEY_SIMD");
    const bool plain = path != nullptr && std::string(path) == "scalar";
    EXPECT_EQ(allocations, plain ? 1u : 2u) << "the record, then the pair table";
}

// Every instruction set counts exactly what the plain loop counts: small
// images, large ones counted by pairs with odd sample counts and lengths
// around the 8-sample reads, and one pair of gray levels repeated far past
// the 255 a byte count holds.
TEST(HistogramCompute, EveryInstructionSetCountsEverySample) {
    struct Shape {
        uint16_t height, width;
        int levels;  // gray levels drawn from 0 ... levels - 1; 1: every sample 200
    };
    std::mt19937 random(77);
    for (const Shape shape : {Shape{1, 1, 256}, Shape{3, 9, 256}, Shape{31, 33, 2}, Shape{256, 256, 256},
                              Shape{257, 255, 256}, Shape{181, 183, 3}, Shape{300, 301, 1}}) {
        std::vector<uint8_t> image(static_cast<size_t>(shape.height) * shape.width);
        Histogram expected(FP_HISTOGRAM_BINS, 0);
        for (auto &sample : image) {
            sample = static_cast<uint8_t>(shape.levels == 1 ? 200 : random() % static_cast<unsigned>(shape.levels));
            ++expected[sample];
        }
        const auto results = fpkey_test::OnEverySimdPath([&] {
            uint32_t *histogram = HistogramCompute(image.data(), shape.height, shape.width);
            Histogram copy = histogram != nullptr ? Histogram(histogram, histogram + FP_HISTOGRAM_BINS) : Histogram{};
            HistogramDestroy(histogram);
            return copy;
        });
        for (const auto &[path, counts] : results) {
            EXPECT_EQ(counts, expected) << path << ", " << shape.height << " x " << shape.width;
        }
    }
}

struct StatisticsCase {
    const char *name;
    std::map<int, uint32_t> counts;
    uint8_t mean;
    uint32_t variance;
};

class HistogramStatistics : public ::testing::TestWithParam<StatisticsCase> {};

TEST_P(HistogramStatistics, MeanAndVarianceRoundHalfUp) {
    const StatisticsCase &c = GetParam();
    const Histogram histogram = make_histogram(c.counts);
    EXPECT_EQ(HistogramGetMean(histogram.data()), c.mean);
    EXPECT_EQ(HistogramGetVariance(histogram.data()), c.variance);
    EXPECT_EQ(HistogramGetVariance2(histogram.data(), c.mean), c.variance);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, HistogramStatistics,
    ::testing::Values(StatisticsCase{"single_sample", {{77, 1}}, 77, 0},
                      // True mean 0.5 rounds up to 1; variance about 1 is (1 + 1) / 2.
                      StatisticsCase{"half_rounds_up", {{0, 1}, {1, 1}}, 1, 1},
                      // Mean 1; squares 2 * 1 + 1 * 4 = 6, (6 + 1) / 3 = 2.
                      StatisticsCase{"below_half_rounds_down", {{0, 2}, {3, 1}}, 1, 2},
                      StatisticsCase{"extremes", {{0, 1}, {255, 1}}, 128, 16257},
                      // The weighted sum 255 * 20e6 passes 2^32 (mean 5110.5e6 / 21e6).
                      StatisticsCase{"weighted_sum_above_32_bits", {{255, 20000000}, {0, 1000000}}, 243, 2949},
                      // The count itself passes 2^32.
                      StatisticsCase{"count_above_32_bits", {{0, 4000000000u}, {255, 4000000000u}}, 128, 16257},
                      // The squares pass 2^32 while the weighted sum does not.
                      StatisticsCase{"squares_above_32_bits", {{0, 8000000}, {255, 8000000}}, 128, 16257},
                      // Nothing to average: 0 instead of a division by zero.
                      StatisticsCase{"empty", {}, 0, 0}),
    [](const auto &test) { return std::string(test.param.name); });

TEST(HistogramGetVariance2, MeasuresAboutTheGivenMean) {
    const Histogram histogram = make_histogram({{0, 1}, {2, 1}});
    EXPECT_EQ(HistogramGetVariance2(histogram.data(), 0), 2u);  // (0 + 4 + 1) / 2
    EXPECT_EQ(HistogramGetVariance2(histogram.data(), 1), 1u);  // (1 + 1 + 1) / 2
    EXPECT_EQ(HistogramGetVariance2(histogram.data(), 255), (255u * 255 + 253u * 253 + 1) / 2);
}

TEST(HistogramStatistics, NullHistogramGivesZero) {
    EXPECT_EQ(HistogramGetMean(nullptr), 0);
    EXPECT_EQ(HistogramGetVariance(nullptr), 0u);
    EXPECT_EQ(HistogramGetVariance2(nullptr, 3), 0u);
}

TEST(HistogramStatisticsProperty, MatchesMeanAndVarianceOfTheSamples) {
    std::mt19937 random(1234);
    for (int round = 0; round < 50; ++round) {
        const auto height = static_cast<uint16_t>(1 + random() % 40);
        const auto width = static_cast<uint16_t>(1 + random() % 40);
        const int low = static_cast<int>(random() % 256);
        std::uniform_int_distribution<int> level(low, low + static_cast<int>(random() % (256 - low)));
        std::vector<uint8_t> image(static_cast<size_t>(height) * width);
        uint64_t sum = 0;
        for (auto &sample : image) {
            sample = static_cast<uint8_t>(level(random));
            sum += sample;
        }
        // Round half up: floor(x / n + 1/2) = (2x + n) / (2n).
        const uint64_t n = image.size();
        const uint64_t mean = (2 * sum + n) / (2 * n);
        uint64_t squares = 0;
        for (const uint8_t sample : image) {
            const int64_t d = static_cast<int64_t>(sample) - static_cast<int64_t>(mean);
            squares += static_cast<uint64_t>(d * d);
        }
        uint32_t *histogram = HistogramCompute(image.data(), height, width);
        ASSERT_NE(histogram, nullptr);
        EXPECT_EQ(HistogramGetMean(histogram), mean);
        EXPECT_EQ(HistogramGetVariance(histogram), (2 * squares + n) / (2 * n));
        HistogramDestroy(histogram);
    }
}

}  // namespace
