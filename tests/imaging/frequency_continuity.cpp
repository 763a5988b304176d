// Broken-print test on row sums and banded column sums.
#include "failing_malloc.h"
#include "fpdevice/imaging_frequency.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr uint8_t kBackground = 255;

// A print that fills the image (samples 0) with blank bands of background.
struct Print {
    int h;
    int w;
    std::vector<uint8_t> samples;

    Print(int height, int width) : h(height), w(width), samples(size_t(height) * width, 0) {}

    Print &blank_rows(int first, int last) {
        for (int y = first; y <= last; ++y) {
            for (int x = 0; x < w; ++x) {
                samples[y * w + x] = kBackground;
            }
        }
        return *this;
    }
    Print &blank_columns(int first, int last, int top = 0, int bottom = -1) {
        for (int y = top; y <= (bottom < 0 ? h - 1 : bottom); ++y) {
            for (int x = first; x <= last; ++x) {
                samples[y * w + x] = kBackground;
            }
        }
        return *this;
    }
};

struct ContinuityCase {
    const char *name;
    Print print;
    int32_t broken;
};

class NotContinueExamples : public ::testing::TestWithParam<ContinuityCase> {};

TEST_P(NotContinueExamples, JudgesTheBlankBands) {
    const ContinuityCase &c = GetParam();
    EXPECT_EQ(NotContinue(c.print.samples.data(), c.print.h, c.print.w, kBackground), c.broken);
}

// Narrow gaps (3 columns) from column 16 on, then wide ones (8 columns):
// more than 20 runs per band, the qualifying ones after the twentieth.
Print many_runs(int width) {
    Print p(64, width);
    int x = 16;
    for (int run = 0; run < 22; ++run, x += 4) {
        p.blank_columns(x, x + 2);
    }
    for (int run = 0; run < 3; ++run, x += 9) {
        p.blank_columns(x, x + 7);
    }
    return p;
}

INSTANTIATE_TEST_SUITE_P(
    Examples, NotContinueExamples,
    ::testing::Values(ContinuityCase{"whole_print", Print(100, 100), 0},
                      ContinuityCase{"one_blank_row_in_the_middle", Print(100, 100).blank_rows(50, 50), 1},
                      ContinuityCase{"blank_top_margin_goes_on_to_the_columns", Print(100, 100).blank_rows(0, 20), 0},
                      ContinuityCase{"band_starting_at_row_3_is_margin", Print(100, 100).blank_rows(3, 30), 0},
                      ContinuityCase{"band_starting_at_row_4_breaks", Print(100, 100).blank_rows(4, 30), 1},
                      ContinuityCase{"band_reaching_the_last_row_is_no_gap", Print(100, 100).blank_rows(60, 99), 0},
                      ContinuityCase{"band_ending_at_row_9_is_margin", Print(100, 100).blank_rows(5, 9), 0},
                      // Six bands of 16 rows with one gap each: 6 * 16 / 100 > 0.45.
                      ContinuityCase{"vertical_gap_through_the_print", Print(100, 100).blank_columns(40, 49), 1},
                      // Two bands: 32 / 100 is not more than 0.45; three: 48 / 100 is.
                      ContinuityCase{"vertical_gap_over_two_bands", Print(100, 100).blank_columns(40, 49, 0, 31), 0},
                      ContinuityCase{"vertical_gap_over_three_bands", Print(100, 100).blank_columns(40, 49, 0, 47), 1},
                      ContinuityCase{"gap_of_six_columns_is_too_narrow", Print(100, 100).blank_columns(40, 45), 0},
                      ContinuityCase{"gap_of_seven_columns_counts", Print(100, 100).blank_columns(40, 46), 1},
                      ContinuityCase{"gap_in_the_side_margin_does_not_count", Print(100, 100).blank_columns(10, 30), 0},
                      ContinuityCase{"more_than_twenty_runs_per_band", many_runs(140), 1},
                      ContinuityCase{"more_than_twenty_runs_and_a_width_above_1024", many_runs(1500), 1},
                      ContinuityCase{"only_narrow_runs", many_runs(140).blank_columns(104, 139, 0, 63), 0}),
    [](const auto &test) { return std::string(test.param.name); });

TEST(NotContinue, ImageHigherThan1024RowsIsNotRead) {
    uint8_t one = kBackground;  // reading past it would be caught by the sanitizers
    EXPECT_EQ(NotContinue(&one, 1025, 100, kBackground), 0);
}

TEST(NotContinue, NothingToJudgeAnswersNotBroken) {
    const Print p(32, 32);
    EXPECT_EQ(NotContinue(nullptr, 32, 32, kBackground), 0);
    EXPECT_EQ(NotContinue(p.samples.data(), 0, 32, kBackground), 0);
    EXPECT_EQ(NotContinue(p.samples.data(), 32, -5, kBackground), 0);
}

TEST(NotContinue, BackgroundValueIsTheCallers) {
    // Background 100, print 10: one blank row at 30 of 60.
    std::vector<uint8_t> image(60 * 40, 10);
    for (int x = 0; x < 40; ++x) {
        image[30 * 40 + x] = 100;
    }
    EXPECT_EQ(NotContinue(image.data(), 60, 40, 100), 1);
    // Judged against background 255 the row is not blank.
    EXPECT_EQ(NotContinue(image.data(), 60, 40, 255), 0);
}

TEST(NotContinue, FailedAllocationAnswersNotBrokenAndHoldsNothing) {
    if (!failing_malloc::available()) {
        GTEST_SKIP() << "allocator interposer not available under the sanitizers";
    }
    Print p(100, 100);
    p.blank_rows(50, 50);
    const size_t allocations =
        failing_malloc::sweep([&] { return NotContinue(p.samples.data(), p.h, p.w, kBackground); },
                              [&](int32_t result, failing_malloc::Outcome outcome) {
                                  EXPECT_EQ(outcome.outstanding, 0);
                                  EXPECT_EQ(result, outcome.failed ? 0 : 1);
                              });
    EXPECT_EQ(allocations, 1u);
}

}  // namespace
