// MeanSmooth: the 3 x 3 box mean that counts samples outside the image as 0.
#include "failing_malloc.h"

#include "test_names.h"

#include "fpdevice/imaging_regions.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

// The sum of the neighbourhood samples that exist, divided by 9.
std::vector<uint8_t> reference_mean(const std::vector<uint8_t> &image, int height, int width) {
    std::vector<uint8_t> out(image.size());
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int sum = 0;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    const int ny = y + dy;
                    const int nx = x + dx;
                    if (ny >= 0 && ny < height && nx >= 0 && nx < width) {
                        sum += image[static_cast<size_t>(ny) * width + nx];
                    }
                }
            }
            out[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>(sum / 9);
        }
    }
    return out;
}

struct SmoothCase {
    const char *name;
    int height;
    int width;
    std::vector<uint8_t> image;
    std::vector<uint8_t> expected;
};

class MeanSmoothCases : public ::testing::TestWithParam<SmoothCase> {};

TEST_P(MeanSmoothCases, DividesTheSumsOfExistingSamplesByNine) {
    const SmoothCase &c = GetParam();
    std::vector<uint8_t> out(c.image.size(), 0xA5);
    EXPECT_EQ(MeanSmooth(c.image.data(), out.data(), static_cast<int16_t>(c.height), static_cast<int16_t>(c.width)), 0);
    EXPECT_EQ(out, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, MeanSmoothCases,
    ::testing::Values(SmoothCase{"constant_90_darkens_edges_and_corners",
                                 4,
                                 5,
                                 std::vector<uint8_t>(20, 90),
                                 {40, 60, 60, 60, 40, 60, 90, 90, 90, 60, 60, 90, 90, 90, 60, 40, 60, 60, 60, 40}},
                      // Mended: one row or column has only the samples that exist.
                      SmoothCase{"one_row", 1, 3, {9, 18, 27}, {3, 6, 5}},
                      SmoothCase{"one_column", 3, 1, {9, 18, 27}, {3, 6, 5}}, SmoothCase{"one_pixel", 1, 1, {90}, {10}},
                      SmoothCase{"two_by_two_white", 2, 2, {255, 255, 255, 255}, {113, 113, 113, 113}},
                      SmoothCase{"division_truncates", 1, 2, {5, 12}, {1, 1}}),
    fpkey_test::ByName());

struct RandomCase {
    const char *name;
    int height;
    int width;
};

class MeanSmoothRandom : public ::testing::TestWithParam<RandomCase> {};

TEST_P(MeanSmoothRandom, MatchesTheReferenceAlsoInPlace) {
    const RandomCase &c = GetParam();
    std::mt19937 random(static_cast<unsigned>(c.height * 131 + c.width));
    std::uniform_int_distribution<int> level(0, 255);
    std::vector<uint8_t> image(static_cast<size_t>(c.height) * c.width);
    for (auto &p : image) {
        p = static_cast<uint8_t>(level(random));
    }
    const std::vector<uint8_t> expected = reference_mean(image, c.height, c.width);
    std::vector<uint8_t> out(image.size());
    ASSERT_EQ(MeanSmooth(image.data(), out.data(), static_cast<int16_t>(c.height), static_cast<int16_t>(c.width)), 0);
    EXPECT_EQ(out, expected);
    ASSERT_EQ(MeanSmooth(image.data(), image.data(), static_cast<int16_t>(c.height), static_cast<int16_t>(c.width)), 0);
    EXPECT_EQ(image, expected);
}

INSTANTIATE_TEST_SUITE_P(Sizes, MeanSmoothRandom,
                         ::testing::Values(RandomCase{"row_of_40", 1, 40}, RandomCase{"column_of_40", 40, 1},
                                           RandomCase{"two_rows", 2, 33}, RandomCase{"square_64", 64, 64},
                                           RandomCase{"odd_37x53", 37, 53}),
                         fpkey_test::ByName());

struct BadCase {
    const char *name;
    bool nullSource;
    bool nullDestination;
    int16_t height;
    int16_t width;
};

class MeanSmoothBadArguments : public ::testing::TestWithParam<BadCase> {};

TEST_P(MeanSmoothBadArguments, ReturnTwoAndWriteNothing) {
    const BadCase &c = GetParam();
    const std::vector<uint8_t> image(16, 50);
    std::vector<uint8_t> out(16, 0xA5);
    EXPECT_EQ(
        MeanSmooth(c.nullSource ? nullptr : image.data(), c.nullDestination ? nullptr : out.data(), c.height, c.width),
        2);
    EXPECT_EQ(out, std::vector<uint8_t>(16, 0xA5));
}

INSTANTIATE_TEST_SUITE_P(Arguments, MeanSmoothBadArguments,
                         ::testing::Values(BadCase{"null_source", true, false, 4, 4},
                                           BadCase{"null_destination", false, true, 4, 4},
                                           BadCase{"zero_height", false, false, 0, 4},
                                           BadCase{"negative_width", false, false, 4, -4}),
                         fpkey_test::ByName());

TEST(MeanSmooth, FailedAllocationLeavesTheDestinationUnchanged) {
    if (!failing_malloc::available()) {
        GTEST_SKIP() << "allocation failures cannot be injected under the sanitizers";
    }
    const std::vector<uint8_t> image(12, 90);
    std::vector<uint8_t> out(12, 0xA5);
    failing_malloc::sweep(
        [&] {
            std::fill(out.begin(), out.end(), 0xA5);
            return MeanSmooth(image.data(), out.data(), 3, 4);
        },
        [&](int32_t result, const failing_malloc::Outcome &outcome) {
            EXPECT_EQ(outcome.outstanding, 0);
            if (outcome.failed) {
                EXPECT_EQ(result, 1);
                EXPECT_EQ(out, std::vector<uint8_t>(12, 0xA5));
            } else {
                EXPECT_EQ(result, 0);
                EXPECT_EQ(out[5], 90);
            }
        });
}

}  // namespace
