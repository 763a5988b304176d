// Box means: window sums over the nominal window area.
#include "failing_malloc.h"
#include "fpdevice/imaging_localsums.h"
#include "localsums_reference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

namespace ref = localsums_reference;

struct MeanCase {
    const char *name;
    uint16_t height;
    uint16_t width;
    std::vector<uint8_t> input;
    uint8_t windowX;
    uint8_t windowY;
    std::vector<uint8_t> expected;
};

class ImageMeanChar2CharExamples : public ::testing::TestWithParam<MeanCase> {};

TEST_P(ImageMeanChar2CharExamples, DividesByTheNominalAreaRoundingWithHalfOfNPlusOne) {
    const MeanCase &c = GetParam();
    std::vector<uint8_t> out(c.input.size());
    ASSERT_EQ(fvs_ImageMeanChar2Char(out.data(), c.input.data(), c.height, c.width, c.windowX, c.windowY), 0);
    EXPECT_EQ(out, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, ImageMeanChar2CharExamples,
    ::testing::Values(
        // Interior 90 / 9 = 10; a corner holds 4 samples: (40 + 5) / 9 = 5;
        // an edge 6 samples: (60 + 5) / 9 = 7.
        MeanCase{
            "constant_10_window_3", 3, 4, std::vector<uint8_t>(12, 10), 3, 3, {5, 7, 7, 5, 7, 10, 10, 7, 5, 7, 7, 5}},
        // N = 4 (windows 2 x 2 cover 3 x 3 samples): half = 2.
        MeanCase{"even_windows_count_more_than_n", 3, 3, std::vector<uint8_t>(9, 1), 2, 2, {1, 2, 1, 2, 2, 2, 1, 2, 1}},
        // A 1 x 1 mean adds half = 1: 255 + 1 stops at 255.
        MeanCase{"one_by_one_rounds_up", 1, 3, {0, 7, 255}, 1, 1, {1, 8, 255}},
        // 2 x 2 windows sum 3 x 3 samples: (9 * 132 + 2) / 4 = 297 in the
        // middle stops at 255; the corners, (4 * 132 + 2) / 4 = 132, agree.
        MeanCase{"even_window_above_255_stops_there",
                 3,
                 3,
                 std::vector<uint8_t>(9, 132),
                 2,
                 2,
                 {132, 198, 132, 198, 255, 198, 132, 198, 132}},
        // The window is cut to the three samples; the divisor stays 255.
        MeanCase{"window_longer_than_the_row",
                 1,
                 3,
                 {255, 255, 255},
                 255,
                 1,
                 {static_cast<uint8_t>((765 + 128) / 255), static_cast<uint8_t>((765 + 128) / 255),
                  static_cast<uint8_t>((765 + 128) / 255)}}),
    [](const auto &test) { return std::string(test.param.name); });

TEST(ImageMeanChar2Char, SumsDoNotWrapAboveSixteenBits) {
    // 20 x 20 samples of 255 in a 255 x 255 window: the sum is 102000.
    std::vector<uint8_t> in(400, 255), out(400);
    ASSERT_EQ(fvs_ImageMeanChar2Char(out.data(), in.data(), 20, 20, 255, 255), 0);
    EXPECT_EQ(out[0], (102000 + 32513) / 65025);
    // A 33 x 33 window full of 200 sums 217800: the mean is the level.
    std::vector<uint8_t> level(33 * 33, 200), mean(33 * 33);
    ASSERT_EQ(fvs_ImageMeanChar2Char(mean.data(), level.data(), 33, 33, 33, 33), 0);
    EXPECT_EQ(mean[16 * 33 + 16], 200);
}

TEST(ImageMeanChar2Char, MatchesTheQuotientOfTheWindowSumsForEveryWindow) {
    std::mt19937 rng(21);
    const auto in = ref::random_plane<uint8_t>(rng, 37 * 29);
    for (int kx : {1, 2, 3, 7, 16, 255}) {
        for (int ky : {1, 5, 9, 200}) {
            SCOPED_TRACE(std::to_string(kx) + "x" + std::to_string(ky));
            const auto sums = ref::direct_sum<uint32_t>(in, 37, 29, kx, ky);
            const uint32_t n = kx * ky;
            std::vector<uint8_t> expected(sums.size());
            for (size_t i = 0; i < sums.size(); ++i) {
                expected[i] = static_cast<uint8_t>(std::min((sums[i] + ((n + 1) >> 1)) / n, 255u));
            }
            std::vector<uint8_t> out(in.size());
            ASSERT_EQ(fvs_ImageMeanChar2Char(out.data(), in.data(), 37, 29, static_cast<uint8_t>(kx),
                                             static_cast<uint8_t>(ky)),
                      0);
            EXPECT_EQ(out, expected);
            std::vector<uint8_t> same = in;
            ASSERT_EQ(fvs_ImageMeanChar2Char(same.data(), same.data(), 37, 29, static_cast<uint8_t>(kx),
                                             static_cast<uint8_t>(ky)),
                      0);
            EXPECT_EQ(same, expected);
        }
    }
}

TEST(ImageMeanInt2Int, DividesSignedSumsTruncatingTowardZero) {
    // Window 3 x 1 on one row, N = 3, half = 2.
    const std::vector<int32_t> in = {-10, 0, 0, 0, 10};
    std::vector<int32_t> out(5);
    ASSERT_EQ(fvs_ImageMeanInt2Int(out.data(), in.data(), 1, 5, 3, 1), 0);
    // Sums -10, -10, 0, 10, 10: (-8) / 3 = -2, (2) / 3 = 0, (12) / 3 = 4.
    EXPECT_EQ(out, (std::vector<int32_t>{-2, -2, 0, 4, 4}));
}

TEST(ImageMeanInt2Int, SumPlusHalfWrapsIn32Bits) {
    const std::vector<int32_t> in = {2147483647};
    std::vector<int32_t> out(1);
    // N = 9, half = 5: 2147483647 + 5 wraps to -2147483644.
    ASSERT_EQ(fvs_ImageMeanInt2Int(out.data(), in.data(), 1, 1, 3, 3), 0);
    EXPECT_EQ(out[0], -2147483644 / 9);
}

TEST(ImageMeanInt2Int, MatchesTheQuotientOfTheWindowSums) {
    std::mt19937 rng(23);
    const auto in = ref::random_plane<int32_t>(rng, 33 * 41);
    for (int kx : {1, 3, 8, 255}) {
        for (int ky : {1, 6, 13}) {
            SCOPED_TRACE(std::to_string(kx) + "x" + std::to_string(ky));
            const auto sums = ref::direct_sum<int32_t>(in, 33, 41, kx, ky);
            const int n = kx * ky;
            std::vector<int32_t> expected(sums.size());
            for (size_t i = 0; i < sums.size(); ++i) {
                const auto v =
                    static_cast<int32_t>(static_cast<uint32_t>(sums[i]) + static_cast<uint32_t>((n + 1) >> 1));
                expected[i] = v / n;
            }
            std::vector<int32_t> out = in;
            ASSERT_EQ(fvs_ImageMeanInt2Int(out.data(), out.data(), 33, 41, static_cast<uint8_t>(kx),
                                           static_cast<uint8_t>(ky)),
                      0);
            EXPECT_EQ(out, expected);
        }
    }
}

// A 1 x 1 image: its window sum is the sample itself, so every divisor
// windowX * windowY meets dividends on both sides of its multiples.
TEST(ImageMeanInt2Int, QuotientIsExactForEveryDivisorAtItsMultiples) {
    for (int kx = 1; kx <= 255; ++kx) {
        for (int ky : {1, 2, 3, 7, 128, 255}) {
            const int64_t n = kx * ky;
            const int64_t half = (n + 1) >> 1;
            std::vector<int64_t> dividends = {0, 1, -1, 2147483647, -2147483647 - 1};
            for (int64_t k : {int64_t{1}, int64_t{2}, int64_t{1000}, 2147483647 / n, -(2147483647 / n), int64_t{-3}}) {
                for (int64_t delta : {-1, 0, 1}) {
                    const int64_t d = k * n + delta;
                    if (d >= -2147483648LL && d <= 2147483647LL) {
                        dividends.push_back(d);
                    }
                }
            }
            for (int64_t dividend : dividends) {
                // The sample that makes sample + half the wanted dividend,
                // modulo 2^32.
                const auto sample = static_cast<int32_t>(static_cast<uint32_t>(dividend - half));
                int32_t out = 0;
                ASSERT_EQ(fvs_ImageMeanInt2Int(&out, &sample, 1, 1, static_cast<uint8_t>(kx), static_cast<uint8_t>(ky)),
                          0);
                ASSERT_EQ(out, static_cast<int32_t>(dividend / n)) << "dividend " << dividend << " n " << n;
            }
        }
    }
}

TEST(ImageMeanChar2Char, QuotientIsExactForEveryDivisorAtItsMultiples) {
    // One row of 16 samples (whole vectors) with window 1 x k: each sum is
    // the sample itself and N = k. The samples sit just below, on and just
    // above multiples of N once half is added.
    for (int n = 1; n <= 255; ++n) {
        const int half = (n + 1) >> 1;
        std::vector<uint8_t> in;
        for (int m = 0; in.size() < 16; ++m) {
            for (int delta : {-1, 0, 1}) {
                const int sample = ((m % 4) * n + delta - half) & 0xFF;
                in.push_back(static_cast<uint8_t>(sample));
            }
        }
        in.resize(16);
        std::vector<uint8_t> out(16);
        ASSERT_EQ(fvs_ImageMeanChar2Char(out.data(), in.data(), 1, 16, 1, static_cast<uint8_t>(n)), 0);
        for (int i = 0; i < 16; ++i) {
            ASSERT_EQ(out[i], std::min((in[i] + half) / n, 255)) << "n " << n << " sample " << int{in[i]};
        }
    }
}

TEST(ImageMeanArguments, ZeroWindowIsABadArgumentNotADivisionByZero) {
    std::vector<uint8_t> in8(9, 3), out8(9, 7);
    EXPECT_EQ(fvs_ImageMeanChar2Char(out8.data(), in8.data(), 3, 3, 0, 3), 2);
    EXPECT_EQ(fvs_ImageMeanChar2Char(out8.data(), in8.data(), 3, 3, 3, 0), 2);
    EXPECT_EQ(out8, std::vector<uint8_t>(9, 7));
    std::vector<int32_t> in32(9, 3), out32(9, 7);
    EXPECT_EQ(fvs_ImageMeanInt2Int(out32.data(), in32.data(), 3, 3, 0, 0), 2);
    EXPECT_EQ(out32, std::vector<int32_t>(9, 7));
}

TEST(ImageMeanArguments, NullImagesReturnOne) {
    std::vector<uint8_t> img8(4, 1);
    std::vector<int32_t> img32(4, 1);
    EXPECT_EQ(fvs_ImageMeanChar2Char(nullptr, img8.data(), 2, 2, 3, 3), 1);
    EXPECT_EQ(fvs_ImageMeanChar2Char(img8.data(), nullptr, 2, 2, 3, 3), 1);
    EXPECT_EQ(fvs_ImageMeanInt2Int(nullptr, img32.data(), 2, 2, 3, 3), 1);
    EXPECT_EQ(fvs_ImageMeanInt2Int(img32.data(), nullptr, 2, 2, 3, 3), 1);
}

TEST(ImageMeanFailure, FailedAllocationLeavesTheOutputUntouched) {
    if (!failing_malloc::available()) {
        GTEST_SKIP() << "allocation failures cannot be injected under the sanitizers";
    }
    std::vector<uint8_t> in(64, 9), out(64);
    failing_malloc::sweep(
        [&] {
            std::fill(out.begin(), out.end(), 1);
            return fvs_ImageMeanChar2Char(out.data(), in.data(), 8, 8, 3, 3);
        },
        [&](int32_t result, const failing_malloc::Outcome &outcome) {
            EXPECT_EQ(outcome.outstanding, 0u);
            EXPECT_EQ(result, outcome.failed ? 1 : 0);
            EXPECT_EQ(out[0], outcome.failed ? 1 : (36 + 5) / 9);
        });
}

}  // namespace
