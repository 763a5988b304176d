// RegionGrow: the scan-line fill of one 4-connected region from a seed.
#include "failing_malloc.h"
#include "regions_reference.h"

#include "test_names.h"

#include "fpdevice/imaging_regions.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

struct Extent {
    uint32_t area;
    int16_t left;
    int16_t top;
    int16_t right;
    int16_t bottom;

    bool operator==(const Extent &) const = default;
};

std::ostream &operator<<(std::ostream &out, const Extent &e) {
    return out << "area " << e.area << " box (" << e.left << ", " << e.top << ") - (" << e.right << ", " << e.bottom
               << ")";
}

Extent grow(std::vector<uint8_t> &image, int height, int width, int row, int col, uint8_t value, uint8_t fill,
            uint8_t tolerance) {
    Extent e{0xFFFFFFFFu, -9, -9, -9, -9};
    RegionGrow(image.data(), static_cast<int16_t>(height), static_cast<int16_t>(width), static_cast<int16_t>(row),
               static_cast<int16_t>(col), &e.area, &e.left, &e.top, &e.right, &e.bottom, value, fill, tolerance);
    return e;
}

Extent empty(int height, int width) {
    return Extent{0, static_cast<int16_t>(width), static_cast<int16_t>(height), 0, 0};
}

struct GrowCase {
    const char *name;
    int height;
    int width;
    std::vector<uint8_t> image;
    int row;
    int col;
    uint8_t value;
    uint8_t fill;
    uint8_t tolerance;
    Extent expected;
    std::vector<uint8_t> after;
};

class RegionGrowCases : public ::testing::TestWithParam<GrowCase> {};

TEST_P(RegionGrowCases, FillsTheRegionAndReportsItsExtent) {
    const GrowCase &c = GetParam();
    std::vector<uint8_t> image = c.image;
    EXPECT_EQ(grow(image, c.height, c.width, c.row, c.col, c.value, c.fill, c.tolerance), c.expected);
    EXPECT_EQ(image, c.after);
}

const std::vector<uint8_t> kU = {7, 0, 7, 7, 0, 7, 7, 7, 7};

INSTANTIATE_TEST_SUITE_P(
    Examples, RegionGrowCases,
    ::testing::Values(
        GrowCase{"uniform_3x3_from_the_centre", 3, 3, std::vector<uint8_t>(9, 7), 1, 1, 7, 0, 1, Extent{9, 0, 0, 2, 2},
                 std::vector<uint8_t>(9, 0)},
        GrowCase{"tolerance_3_takes_98_to_102",
                 1,
                 7,
                 {97, 98, 99, 100, 101, 102, 103},
                 0,
                 3,
                 100,
                 0,
                 3,
                 Extent{5, 1, 0, 5, 0},
                 {97, 0, 0, 0, 0, 0, 103}},
        GrowCase{
            "corner_contact_is_two_regions", 2, 2, {7, 0, 0, 7}, 0, 0, 7, 9, 1, Extent{1, 0, 0, 0, 0}, {9, 0, 0, 7}},
        GrowCase{"u_shape_is_followed_up_again",
                 3,
                 3,
                 kU,
                 0,
                 2,
                 7,
                 1,
                 1,
                 Extent{7, 0, 0, 2, 2},
                 {1, 0, 1, 1, 0, 1, 1, 1, 1}},
        GrowCase{"range_cut_at_gray_level_0",
                 1,
                 4,
                 {0, 1, 2, 3},
                 0,
                 0,
                 0,
                 200,
                 3,
                 Extent{3, 0, 0, 2, 0},
                 {200, 200, 200, 3}},
        GrowCase{
            "range_cut_at_gray_level_255", 1, 3, {255, 254, 252}, 0, 0, 255, 0, 2, Extent{2, 0, 0, 1, 0}, {0, 0, 252}},
        // Mended: the fill used to start left of a seed that does not match.
        GrowCase{
            "seed_that_does_not_match_changes_nothing", 1, 4, {7, 7, 0, 7}, 0, 2, 7, 1, 1, empty(1, 4), {7, 7, 0, 7}},
        GrowCase{"seed_left_of_the_image", 1, 3, {7, 7, 7}, 0, -1, 7, 1, 1, empty(1, 3), {7, 7, 7}},
        GrowCase{"seed_below_the_image", 1, 3, {7, 7, 7}, 1, 0, 7, 1, 1, empty(1, 3), {7, 7, 7}},
        GrowCase{"tolerance_0_matches_nothing", 1, 3, {7, 7, 7}, 0, 0, 7, 1, 0, empty(1, 3), {7, 7, 7}},
        // The fill value would match again behind the fill, which never ends.
        GrowCase{"fill_value_that_matches_changes_nothing",
                 1,
                 3,
                 {100, 100, 100},
                 0,
                 1,
                 100,
                 101,
                 3,
                 empty(1, 3),
                 {100, 100, 100}}),
    fpkey_test::ByName());

struct RandomCase {
    const char *name;
    int height;
    int width;
    int percent;
    int trials = 25;
};

class RegionGrowRandomMasks : public ::testing::TestWithParam<RandomCase> {};

TEST_P(RegionGrowRandomMasks, AreaBoxAndPixelsMatchABreadthFirstReference) {
    const RandomCase &c = GetParam();
    std::mt19937 random(static_cast<unsigned>(c.height * 1000 + c.width + c.percent));
    std::uniform_int_distribution<int> row(0, c.height - 1);
    std::uniform_int_distribution<int> col(0, c.width - 1);
    for (int trial = 0; trial < c.trials; ++trial) {
        const std::vector<uint8_t> mask = regions_reference::random_mask(c.height, c.width, c.percent, random());
        const int y = row(random);
        const int x = col(random);
        std::vector<uint8_t> image = mask;
        const Extent got = grow(image, c.height, c.width, y, x, 255, 100, 1);

        std::vector<uint8_t> expectedImage = mask;
        Extent expected = empty(c.height, c.width);
        if (mask[static_cast<size_t>(y) * c.width + x] == 255) {
            const auto region =
                regions_reference::region_at(mask, c.height, c.width, y, x, [](uint8_t p) { return p == 255; });
            for (size_t p : region.pixels) {
                expectedImage[p] = 100;
            }
            expected = Extent{static_cast<uint32_t>(region.pixels.size()), static_cast<int16_t>(region.left),
                              static_cast<int16_t>(region.top), static_cast<int16_t>(region.right),
                              static_cast<int16_t>(region.bottom)};
        }
        ASSERT_EQ(got, expected) << "trial " << trial << " seed (" << y << ", " << x << ")";
        ASSERT_EQ(image, expectedImage) << "trial " << trial;
    }
}

INSTANTIATE_TEST_SUITE_P(Masks, RegionGrowRandomMasks,
                         ::testing::Values(RandomCase{"single_pixel", 1, 1, 50}, RandomCase{"one_row", 1, 97, 70},
                                           RandomCase{"one_column", 83, 1, 70}, RandomCase{"sparse", 41, 57, 35},
                                           RandomCase{"half_full", 64, 64, 50}, RandomCase{"percolating", 73, 61, 62},
                                           RandomCase{"dense", 50, 120, 85},
                                           // Too many possible runs to reserve for them all:
                                           // the stack is sized by counting the runs.
                                           RandomCase{"counted_stack", 600, 1024, 62, 3}),
                         fpkey_test::ByName());

TEST(RegionGrow, ToleranceRegionOnNoisyGrayMatchesTheReference) {
    const int height = 48;
    const int width = 40;
    std::mt19937 random(11);
    std::uniform_int_distribution<int> level(90, 110);
    std::vector<uint8_t> gray(static_cast<size_t>(height) * width);
    for (auto &p : gray) {
        p = static_cast<uint8_t>(level(random));
    }
    for (uint8_t tolerance : {2, 5, 8}) {
        const int y = 20;
        const int x = 17;
        const uint8_t value = gray[static_cast<size_t>(y) * width + x];
        const auto member = [&](uint8_t p) { return std::abs(p - value) < tolerance; };
        const auto region = regions_reference::region_at(gray, height, width, y, x, member);
        std::vector<uint8_t> image = gray;
        const Extent got = grow(image, height, width, y, x, value, 0, tolerance);
        EXPECT_EQ(got.area, region.pixels.size()) << "tolerance " << int{tolerance};
        EXPECT_EQ(got, (Extent{static_cast<uint32_t>(region.pixels.size()), static_cast<int16_t>(region.left),
                               static_cast<int16_t>(region.top), static_cast<int16_t>(region.right),
                               static_cast<int16_t>(region.bottom)}));
        for (size_t p : region.pixels) {
            EXPECT_EQ(image[p], 0);
        }
    }
}

TEST(RegionGrow, NullImageAndNullOutputsAreHarmless) {
    uint32_t area = 99;
    int16_t left = 0, top = 0, right = 9, bottom = 9;
    RegionGrow(nullptr, 4, 5, 0, 0, &area, &left, &top, &right, &bottom, 7, 0, 1);
    EXPECT_EQ((Extent{area, left, top, right, bottom}), empty(4, 5));

    std::vector<uint8_t> image(6, 7);
    RegionGrow(image.data(), 2, 3, 1, 1, nullptr, nullptr, nullptr, nullptr, nullptr, 7, 0, 1);
    EXPECT_EQ(image, std::vector<uint8_t>(6, 0));
}

TEST(RegionGrow, FailedAllocationChangesNothingAndReportsNoArea) {
    if (!failing_malloc::available()) {
        GTEST_SKIP() << "allocation failures cannot be injected under the sanitizers";
    }
    std::vector<uint8_t> mask = regions_reference::random_mask(30, 30, 60, 5);
    mask[15 * 30 + 15] = 255;
    std::vector<uint8_t> image = mask;
    failing_malloc::arm(0);
    const Extent got = grow(image, 30, 30, 15, 15, 255, 0, 1);
    const failing_malloc::Outcome outcome = failing_malloc::disarm();
    ASSERT_TRUE(outcome.failed);
    EXPECT_EQ(outcome.outstanding, 0);
    EXPECT_EQ(got, empty(30, 30));
    EXPECT_EQ(image, mask);
}

}  // namespace
