// RemoveStripe: recolouring short runs of one value along rows or columns.
#include "test_names.h"

#include "fpdevice/imaging_regions.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

struct StripeCase {
    const char *name;
    int height;
    int width;
    std::vector<uint8_t> image;
    uint8_t longestRun;
    uint8_t direction;
    std::vector<uint8_t> after;
};

class RemoveStripeCases : public ::testing::TestWithParam<StripeCase> {};

TEST_P(RemoveStripeCases, RecoloursRunsUpToTheLongestRun) {
    const StripeCase &c = GetParam();
    std::vector<uint8_t> image = c.image;
    EXPECT_EQ(RemoveStripe(image.data(), static_cast<int16_t>(c.height), static_cast<int16_t>(c.width), 255, 7,
                           c.longestRun, c.direction),
              0);
    EXPECT_EQ(image, c.after);
}

// Columns of 255 runs: 1, 3, 2 long in column 0, 1, 2 respectively.
const std::vector<uint8_t> kColumns = {255, 255, 0, 0, 255, 255, 0, 255, 255, 255, 0, 0};

INSTANTIATE_TEST_SUITE_P(
    Examples, RemoveStripeCases,
    ::testing::Values(
        StripeCase{
            "short_run_goes_run_of_three_stays", 1, 6, {255, 255, 0, 255, 255, 255}, 2, 0, {7, 7, 0, 255, 255, 255}},
        StripeCase{"runs_at_both_row_ends", 2, 4, {255, 0, 0, 255, 0, 255, 255, 0}, 1, 0, {7, 0, 0, 7, 0, 255, 255, 0}},
        StripeCase{"row_runs_do_not_continue_into_the_next_row", 2, 2, {0, 255, 255, 0}, 1, 0, {0, 7, 7, 0}},
        StripeCase{"columns_in_direction_1", 4, 3, kColumns, 2, 1, {7, 255, 0, 0, 255, 7, 0, 255, 7, 7, 0, 0}},
        StripeCase{"longest_run_0_changes_nothing", 1, 6, {255, 0, 255, 255, 0, 255}, 0, 0, {255, 0, 255, 255, 0, 255}},
        StripeCase{"direction_2_changes_nothing", 4, 3, kColumns, 5, 2, kColumns},
        StripeCase{"whole_row_within_the_limit", 1, 3, {255, 255, 255}, 3, 0, {7, 7, 7}}),
    fpkey_test::ByName());

TEST(RemoveStripe, NullImageReturnsTwo) { EXPECT_EQ(RemoveStripe(nullptr, 3, 3, 255, 0, 2, 0), 2); }

}  // namespace
