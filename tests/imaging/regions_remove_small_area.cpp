// RemoveSmallArea: recolouring the small regions of one exact gray value.
#include "failing_malloc.h"
#include "regions_reference.h"

#include "test_names.h"

#include "fpdevice/imaging_regions.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

// Regions of 255 with 1, 3 and 4 pixels, a 254 that is not the value, and a
// corner contact that keeps two single pixels apart.
const std::vector<uint8_t> kSpecks = {
    255, 0, 0, 255, 255, 255, 0, 0, 0, 0, 0, 0, 0, 0, 254, 0, 255, 255, 0, 0, 255, 0, 0, 255, 255, 0, 255, 0,
};
constexpr int kHeight = 4;
constexpr int kWidth = 7;

struct LimitCase {
    const char *name;
    int16_t limit;
    std::vector<uint8_t> after;
};

class RemoveSmallAreaLimits : public ::testing::TestWithParam<LimitCase> {};

TEST_P(RemoveSmallAreaLimits, RecoloursExactlyTheRegionsUpToTheLimit) {
    std::vector<uint8_t> image = kSpecks;
    EXPECT_EQ(RemoveSmallArea(image.data(), kHeight, kWidth, 255, 0, GetParam().limit), 0);
    EXPECT_EQ(image, GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Limits, RemoveSmallAreaLimits,
    ::testing::Values(
        LimitCase{"limit_0_changes_nothing", 0, kSpecks},
        LimitCase{"limit_1_takes_single_pixels", 1, {0,   0, 0,   255, 255, 255, 0, 0, 0, 0,   0,   0, 0, 0,
                                                     254, 0, 255, 255, 0,   0,   0, 0, 0, 255, 255, 0, 0, 0}},
        LimitCase{"region_of_exactly_the_limit_goes", 3, {0,   0, 0,   0,   0, 0, 0, 0, 0, 0,   0,   0, 0, 0,
                                                          254, 0, 255, 255, 0, 0, 0, 0, 0, 255, 255, 0, 0, 0}},
        LimitCase{"negative_limit_takes_every_region", -1, {0,   0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                            254, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}}),
    fpkey_test::ByName());

TEST(RemoveSmallArea, FillsSmallHolesOfAMask) {
    // value 0 inside 255: the one-pixel hole closes, the border gap of two
    // stays with limit 1.
    std::vector<uint8_t> image = {255, 255, 255, 255, 255, 0, 255, 255, 255, 255, 255, 255, 0, 0, 255, 255};
    std::vector<uint8_t> expected = image;
    expected[5] = 255;
    EXPECT_EQ(RemoveSmallArea(image.data(), 4, 4, 0, 255, 1), 0);
    EXPECT_EQ(image, expected);
}

struct RandomCase {
    const char *name;
    int height;
    int width;
    int percent;
    int16_t limit;
};

class RemoveSmallAreaRandomMasks : public ::testing::TestWithParam<RandomCase> {};

TEST_P(RemoveSmallAreaRandomMasks, MatchesAReferenceLabelling) {
    const RandomCase &c = GetParam();
    for (unsigned seed = 1; seed <= 8; ++seed) {
        const std::vector<uint8_t> mask =
            regions_reference::random_mask(c.height, c.width, c.percent, seed * 977u + c.percent);
        std::vector<uint8_t> expected = mask;
        const auto regions =
            regions_reference::all_regions(mask, c.height, c.width, [](uint8_t p) { return p == 255; });
        for (const auto &region : regions) {
            if (region.pixels.size() <= static_cast<uint32_t>(static_cast<int32_t>(c.limit))) {
                for (size_t p : region.pixels) {
                    expected[p] = 0;
                }
            }
        }
        std::vector<uint8_t> image = mask;
        ASSERT_EQ(RemoveSmallArea(image.data(), static_cast<int16_t>(c.height), static_cast<int16_t>(c.width), 255, 0,
                                  c.limit),
                  0);
        ASSERT_EQ(image, expected) << "seed " << seed;
    }
}

INSTANTIATE_TEST_SUITE_P(Masks, RemoveSmallAreaRandomMasks,
                         ::testing::Values(RandomCase{"sparse_specks", 40, 50, 30, 2},
                                           RandomCase{"half_full", 64, 64, 50, 12},
                                           RandomCase{"near_percolation", 55, 71, 60, 40},
                                           RandomCase{"one_row", 1, 200, 60, 3},
                                           RandomCase{"one_column", 150, 1, 60, 3}),
                         fpkey_test::ByName());

TEST(RemoveSmallArea, RejectsNullImageAndValueEqualToFill) {
    std::vector<uint8_t> image = kSpecks;
    EXPECT_EQ(RemoveSmallArea(nullptr, kHeight, kWidth, 255, 0, 5), 2);
    EXPECT_EQ(RemoveSmallArea(image.data(), kHeight, kWidth, 255, 255, 5), 2);
    EXPECT_EQ(image, kSpecks);
}

TEST(RemoveSmallArea, FailedAllocationLeavesTheImageUnchanged) {
    if (!failing_malloc::available()) {
        GTEST_SKIP() << "allocation failures cannot be injected under the sanitizers";
    }
    // Sized before arming, so refilling it inside the call allocates nothing.
    std::vector<uint8_t> image = kSpecks;
    failing_malloc::sweep(
        [&] {
            image = kSpecks;
            return RemoveSmallArea(image.data(), kHeight, kWidth, 255, 0, -1);
        },
        [&](int32_t result, const failing_malloc::Outcome &outcome) {
            EXPECT_EQ(outcome.outstanding, 0);
            if (outcome.failed) {
                EXPECT_EQ(result, 1);
                EXPECT_EQ(image, kSpecks);
            } else {
                EXPECT_EQ(result, 0);
                EXPECT_EQ(image[3], 0);
            }
        });
}

}  // namespace
