// The histogram picture file: a raw 256-row bar chart.
#include "failing_malloc.h"
#include "fpdevice/imaging_primitives.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr int kRows = 256;

std::string temp_path(const std::string &name) { return ::testing::TempDir() + "histogram_print_" + name + ".raw"; }

std::vector<uint8_t> read_and_remove(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
    std::remove(path.c_str());
    return bytes;
}

// Height of the bar in column `bin`; -1 unless the column is one solid bar
// of 255 standing on the bottom row with 0 above it.
int bar_height(const std::vector<uint8_t> &picture, int binCount, int bin) {
    const auto at = [&](int row) { return picture[static_cast<size_t>(row * binCount + bin)]; };
    int height = 0;
    while (height < kRows && at(kRows - 1 - height) == 255) {
        ++height;
    }
    for (int row = kRows - 1 - height; row >= 0; --row) {
        if (at(row) != 0) {
            return -1;
        }
    }
    return height;
}

struct PrintCase {
    const char *name;
    std::vector<uint32_t> counts;  // from bin 0; the rest of the histogram is 0
    int16_t binCount;
    std::vector<int> heights;
};

class HistogramPrintBars : public ::testing::TestWithParam<PrintCase> {};

TEST_P(HistogramPrintBars, DrawsBarsScaledToTheLargestCount) {
    const PrintCase &c = GetParam();
    std::vector<uint32_t> histogram(FP_HISTOGRAM_BINS, 0);
    std::copy(c.counts.begin(), c.counts.end(), histogram.begin());
    const std::string path = temp_path(c.name);
    ASSERT_EQ(HistogramPrint(histogram.data(), c.binCount, path.c_str()), 0);
    const std::vector<uint8_t> picture = read_and_remove(path);
    ASSERT_EQ(picture.size(), static_cast<size_t>(kRows) * static_cast<size_t>(c.binCount));
    std::vector<int> heights;
    for (int bin = 0; bin < c.binCount; ++bin) {
        heights.push_back(bar_height(picture, c.binCount, bin));
    }
    EXPECT_EQ(heights, c.heights);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, HistogramPrintBars,
    ::testing::Values(PrintCase{"largest_100000_is_255_rows", {100000, 50000, 0, 1000}, 4, {255, 127, 0, 2}},
                      // 7 * (255 / 7) in single precision is just below 255.
                      PrintCase{"largest_7_is_254_rows", {7, 1}, 2, {254, 36}},
                      PrintCase{"all_zero_draws_nothing", {0, 0, 0}, 3, {0, 0, 0}},
                      // Only the first binCount counts are drawn or set the scale.
                      PrintCase{"scale_from_drawn_bins_only", {10, 20, 100000}, 2, {127, 255}},
                      PrintCase{"counts_compare_unsigned", {0x80000000u, 0x40000000u}, 2, {255, 127}}),
    [](const auto &test) { return std::string(test.param.name); });

TEST(HistogramPrintFailure, ReportsBadArgumentsAndUnwritableFiles) {
    std::vector<uint32_t> histogram(FP_HISTOGRAM_BINS, 1);
    const std::string path = temp_path("bad_arguments");
    EXPECT_EQ(HistogramPrint(nullptr, 4, path.c_str()), 1);
    EXPECT_EQ(HistogramPrint(histogram.data(), 4, nullptr), 1);
    EXPECT_EQ(HistogramPrint(histogram.data(), 0, path.c_str()), 2);
    EXPECT_EQ(HistogramPrint(histogram.data(), 257, path.c_str()), 2) << "beyond the record";
    EXPECT_TRUE(read_and_remove(path).empty()) << "no file for rejected arguments";

    EXPECT_EQ(HistogramPrint(histogram.data(), 4, "/nonexistent-directory/picture.raw"), 2);
    EXPECT_EQ(HistogramPrint(histogram.data(), 4, ::testing::TempDir().c_str()), 2);
    if (std::FILE *full = std::fopen("/dev/full", "wb")) {
        std::fclose(full);
        EXPECT_EQ(HistogramPrint(histogram.data(), 256, "/dev/full"), 2) << "short write";
    }
}

TEST(HistogramPrintFailure, ReturnsOneWhenThePictureCannotBeAllocated) {
    if (!failing_malloc::available()) {
        GTEST_SKIP() << "allocation failures are injected only without sanitizers";
    }
    std::vector<uint32_t> histogram(FP_HISTOGRAM_BINS, 3);
    const std::string path = temp_path("no_memory");
    failing_malloc::arm(0);
    const int32_t result = HistogramPrint(histogram.data(), 16, path.c_str());
    const failing_malloc::Outcome outcome = failing_malloc::disarm();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(outcome.outstanding, 0);
    EXPECT_TRUE(read_and_remove(path).empty()) << "no file without a picture";
}

}  // namespace
