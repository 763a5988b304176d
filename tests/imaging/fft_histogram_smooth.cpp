// Frequency-domain smoothing of gray-level histograms.
#include "fpdevice/imaging_fft.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

using Histogram = std::vector<uint32_t>;

constexpr double kPi = 3.14159265358979323846;

double weight(int k, double cutOff) { return 1.0 / (1.0 + 0.414 * std::pow(k / cutOff, 4.0)); }

struct Smoother {
    const char *name;
    int32_t (*smooth)(uint32_t *);
    double cutOff;
    bool folds;     // pairs of gray levels are summed first
    int rewritten;  // bins 0 ... rewritten - 1 receive smoothed values
};

const Smoother kSmooth{"HistogramSmooth", HistogramSmooth, 5.0, true, 108};
const Smoother kSmooth128{"HistogramSmooth128", HistogramSmooth128, 7.0, false, 128};

// The 128 bins a smoother filters, laid out in its input histogram.
Histogram input_for(const Smoother &s, const std::vector<uint32_t> &bins) {
    Histogram histogram(256, 0);
    for (size_t j = 0; j < bins.size(); ++j) {
        histogram[s.folds ? 2 * j : j] = bins[j];
    }
    return histogram;
}

struct CosineCase {
    const Smoother *smoother;
    int frequency;
};

class HistogramSmoothCosine : public ::testing::TestWithParam<CosineCase> {};

// Bin j of a cosine of frequency k comes back scaled by the mean of the
// weights H(k) and H(k - 1) (index k shares its weight with 127 - k, which
// is the mirror of k - 1) and shifted one bin down: bin j holds bin j + 1.
TEST_P(HistogramSmoothCosine, ScalesByTheLowPassWeightsAndShiftsOneBin) {
    const Smoother &s = *GetParam().smoother;
    const int k = GetParam().frequency;
    const double mean = 200000.0;
    const double amplitude = 100000.0;
    std::vector<uint32_t> bins(128);
    for (int j = 0; j < 128; ++j) {
        bins[static_cast<size_t>(j)] =
            static_cast<uint32_t>(std::lround(mean + amplitude * std::cos(2 * kPi * k * j / 128)));
    }
    Histogram histogram = input_for(s, bins);
    ASSERT_EQ(s.smooth(histogram.data()), 0);

    const double gain = (weight(k, s.cutOff) + weight(k - 1, s.cutOff)) / 2;
    for (int j = 0; j < s.rewritten; ++j) {
        const double expected = mean + amplitude * gain * std::cos(2 * kPi * k * (j + 1) / 128);
        EXPECT_NEAR(histogram[static_cast<size_t>(j)], expected, 3.0) << s.name << " bin " << j;
    }
    for (int j = s.rewritten; j < 128; ++j) {
        EXPECT_EQ(histogram[static_cast<size_t>(j)], bins[static_cast<size_t>(j)]) << "kept bin " << j;
    }
}

std::vector<CosineCase> cosine_cases() {
    std::vector<CosineCase> cases;
    for (const Smoother *s : {&kSmooth, &kSmooth128}) {
        for (const int k : {1, 2, 3, 5, 7, 10, 14, 20, 30, 63}) {
            cases.push_back({s, k});
        }
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Frequencies, HistogramSmoothCosine, ::testing::ValuesIn(cosine_cases()), [](const auto &test) {
    return std::string(test.param.smoother->name) + "_k" + std::to_string(test.param.frequency);
});

class HistogramSmoothPeak : public ::testing::TestWithParam<const Smoother *> {};

TEST_P(HistogramSmoothPeak, SinglePeakComesBackAsABumpOneBinLower) {
    const Smoother &s = *GetParam();
    std::vector<uint32_t> bins(128, 0);
    bins[60] = 1000;
    Histogram histogram = input_for(s, bins);
    ASSERT_EQ(s.smooth(histogram.data()), 0);

    const auto peak = std::max_element(histogram.begin(), histogram.begin() + 108);
    EXPECT_EQ(peak - histogram.begin(), 59);
    // The main lobe reaches 6 bins either side at the higher cut-off; beyond
    // it the ripples, folded up by the absolute value, rise again.
    for (int d = 1; d <= 6; ++d) {
        const auto below = static_cast<double>(histogram[static_cast<size_t>(59 - d)]);
        const auto above = static_cast<double>(histogram[static_cast<size_t>(59 + d)]);
        EXPECT_NEAR(below, above, 1.0) << "symmetric at distance " << d;
        EXPECT_LE(below, histogram[static_cast<size_t>(59 - d + 1)]) << "falls off at distance " << d;
    }
}

INSTANTIATE_TEST_SUITE_P(Smoothers, HistogramSmoothPeak, ::testing::Values(&kSmooth, &kSmooth128),
                         [](const auto &test) { return std::string(test.param->name); });

TEST(HistogramSmooth, ZeroHistogramStaysZero) {
    for (const Smoother *s : {&kSmooth, &kSmooth128}) {
        Histogram histogram(256, 0);
        EXPECT_EQ(s->smooth(histogram.data()), 0);
        EXPECT_EQ(histogram, Histogram(256, 0)) << s->name;
    }
}

TEST(HistogramSmooth, TopBinsKeepTheirFoldedSumsUnsmoothed) {
    Histogram histogram(256, 0);
    for (uint32_t g = 216; g < 256; ++g) {
        histogram[g] = 100000 + 37 * g;
    }
    ASSERT_EQ(HistogramSmooth(histogram.data()), 0);
    for (uint32_t k = 108; k < 128; ++k) {
        EXPECT_EQ(histogram[k], 200000 + 37 * (4 * k + 1)) << "bin " << k;
    }
    EXPECT_EQ(Histogram(histogram.begin() + 128, histogram.end()), Histogram(128, 0));
}

TEST(HistogramSmooth, FoldedSumsWrapAt32Bits) {
    Histogram histogram(256, 0);
    histogram[254] = 0xFFFFFFFFu;
    histogram[255] = 2;
    ASSERT_EQ(HistogramSmooth(histogram.data()), 0);
    EXPECT_EQ(histogram[127], 1u);
}

TEST(HistogramSmooth128, LeavesEntriesFrom128Untouched) {
    Histogram histogram(256, 0xC0FFEEu);
    ASSERT_EQ(HistogramSmooth128(histogram.data()), 0);
    EXPECT_EQ(Histogram(histogram.begin() + 128, histogram.end()), Histogram(128, 0xC0FFEEu));
}

TEST(HistogramSmooth, NullHistogramReturnsOne) {
    EXPECT_EQ(HistogramSmooth(nullptr), 1);
    EXPECT_EQ(HistogramSmooth128(nullptr), 1);
}

}  // namespace
