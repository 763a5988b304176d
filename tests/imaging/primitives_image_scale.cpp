// 2x enlargement and reduction of gray images.
#include "failing_malloc.h"
#include "fpdevice/imaging_primitives.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

using Image = std::vector<uint8_t>;

struct ScaleCase {
    const char *name;
    Image source;
    uint16_t sourceHeight;
    uint16_t sourceWidth;
    uint16_t resultHeight;
    uint16_t resultWidth;
    Image expected;
};

Image take(uint8_t *result, const ScaleCase &c) {
    Image image(result, result + static_cast<size_t>(c.resultHeight) * c.resultWidth);
    free(result);
    return image;
}

class ImageEnlargeExamples : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(ImageEnlargeExamples, RepeatsEachSourceSampleInA2x2Block) {
    const ScaleCase &c = GetParam();
    uint8_t *result = ImageEnlarge(c.source.data(), c.sourceHeight, c.sourceWidth, c.resultHeight, c.resultWidth);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(take(result, c), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, ImageEnlargeExamples,
    ::testing::Values(
        ScaleCase{
            "two_by_two_to_four_by_four", {1, 2, 3, 4}, 2, 2, 4, 4, {1, 1, 2, 2, 1, 1, 2, 2, 3, 3, 4, 4, 3, 3, 4, 4}},
        ScaleCase{"odd_result", {1, 2, 3, 4}, 2, 2, 3, 3, {1, 1, 2, 1, 1, 2, 3, 3, 4}},
        // The source width is the row length even when the result uses less.
        ScaleCase{"source_rows_wider_than_needed",
                  {1, 2, 9, 3, 4, 9},
                  2,
                  3,
                  4,
                  4,
                  {1, 1, 2, 2, 1, 1, 2, 2, 3, 3, 4, 4, 3, 3, 4, 4}},
        ScaleCase{"one_sample", {200}, 1, 1, 1, 2, {200, 200}}),
    [](const auto &test) { return std::string(test.param.name); });

class ImageReduceExamples : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(ImageReduceExamples, SubsamplesEdgesAndSmoothsTheRest) {
    const ScaleCase &c = GetParam();
    uint8_t *result = ImageReduce(c.source.data(), c.sourceHeight, c.sourceWidth, c.resultHeight, c.resultWidth);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(take(result, c), c.expected);
}

// A 4 x 4 source that is 0 except for 100 at (row, column).
Image spot(int row, int column) {
    Image image(16, 0);
    image[static_cast<size_t>(row * 4 + column)] = 100;
    return image;
}

INSTANTIATE_TEST_SUITE_P(Examples, ImageReduceExamples,
                         ::testing::Values(
                             // The kernel (0.2992, 0.4015, 0.2992) sums to 0.9999, and the result
                             // is truncated: a uniform 100 reduces to 99 inside, 100 on the edges.
                             ScaleCase{"uniform_100", Image(16, 100), 4, 4, 2, 2, {100, 100, 100, 99}},
                             ScaleCase{"uniform_255", Image(16, 255), 4, 4, 2, 2, {255, 255, 255, 254}},
                             ScaleCase{"uniform_1", Image(16, 1), 4, 4, 2, 2, {1, 1, 1, 0}},
                             // Single-sample responses around the centre (2, 2) of result (1, 1):
                             // 0.4015 * 0.4015 * 100, 0.4015 * 0.2992 * 100, 0.2992 * 0.2992 * 100.
                             ScaleCase{"centre_weight", spot(2, 2), 4, 4, 2, 2, {0, 0, 0, 16}},
                             ScaleCase{"side_weight", spot(2, 1), 4, 4, 2, 2, {0, 0, 0, 12}},
                             ScaleCase{"corner_weight", spot(3, 3), 4, 4, 2, 2, {0, 0, 0, 8}},
                             // Row 0 and column 0 take the even source samples as they are.
                             ScaleCase{
                                 "edges_are_plain_subsamples",
                                 {10, 11, 12, 13, 14, 15, 20, 0, 0, 0, 0, 0, 30, 0, 0, 0, 0, 0, 40, 0, 0, 0, 0, 0},
                                 4,
                                 6,
                                 2,
                                 3,
                                 {10, 12, 14, 30, 0, 0}},
                             ScaleCase{"single_row_needs_odd_width", {5, 6, 7, 8, 9}, 1, 5, 1, 3, {5, 7, 9}},
                             ScaleCase{"single_column_needs_odd_height", {5, 6, 7}, 3, 1, 2, 1, {5, 7}}),
                         [](const auto &test) { return std::string(test.param.name); });

// Rows long enough for whole vectors of results and a remainder, odd sizes
// and source rows longer than the result needs.
TEST(ImageEnlarge, EveryResultSampleRepeatsItsSourceSample) {
    for (const auto [resultHeight, resultWidth, sourceWidth] : {std::array{7, 75, 38}, std::array{6, 64, 40}}) {
        const int sourceHeight = (resultHeight + 1) / 2;
        Image source(static_cast<size_t>(sourceHeight) * sourceWidth);
        for (size_t i = 0; i < source.size(); ++i) {
            source[i] = static_cast<uint8_t>(i * 37 + 11);
        }
        uint8_t *result = ImageEnlarge(source.data(), sourceHeight, sourceWidth, resultHeight, resultWidth);
        ASSERT_NE(result, nullptr);
        for (int y = 0; y < resultHeight; ++y) {
            for (int x = 0; x < resultWidth; ++x) {
                ASSERT_EQ(result[y * resultWidth + x], source[(y / 2) * sourceWidth + x / 2]) << y << ", " << x;
            }
        }
        free(result);
    }
}

// Result sample (y, x) inside the edges, step by step in single precision:
// each source row smoothed as centre * 0.4015 + (left + right) * 0.2992 with
// the sides added as integers, then the rows weighted alike and truncated.
uint8_t reduced_sample(const Image &source, int sourceWidth, int y, int x) {
    auto row = [&](int r) {
        const uint8_t *p = source.data() + static_cast<size_t>(r) * sourceWidth + 2 * x;
        const int32_t sides = p[-1] + p[1];
        return 0.4015f * static_cast<float>(p[0]) + 0.2992f * static_cast<float>(sides);
    };
    const float centre = row(2 * y);
    const float outer = row(2 * y - 1) + row(2 * y + 1);
    const float value = 0.4015f * centre + 0.2992f * outer;
    return static_cast<uint8_t>(static_cast<int32_t>(value));
}

// Rows long enough for whole vectors of results and a remainder, with and
// without a source column beyond the last one the result reads, and rows of
// several hundred results, which the vector path takes in column strips.
TEST(ImageReduce, SmoothsEveryInteriorSampleAsTheStepByStepKernel) {
    for (const int sourceWidth : {90, 91, 130, 1100}) {
        const int resultWidth = sourceWidth / 2;
        const int resultHeight = 9;
        const int sourceHeight = 2 * resultHeight;
        Image source(static_cast<size_t>(sourceHeight) * sourceWidth);
        uint32_t state = 12345;
        for (auto &sample : source) {
            state = state * 1103515245u + 12345u;
            sample = static_cast<uint8_t>(state >> 23);
        }
        uint8_t *result = ImageReduce(source.data(), sourceHeight, sourceWidth, resultHeight, resultWidth);
        ASSERT_NE(result, nullptr);
        for (int y = 1; y < resultHeight; ++y) {
            for (int x = 1; x < resultWidth; ++x) {
                ASSERT_EQ(result[y * resultWidth + x], reduced_sample(source, sourceWidth, y, x))
                    << "width " << sourceWidth << " at " << y << ", " << x;
            }
        }
        free(result);
    }
}

struct RejectCase {
    const char *name;
    bool reduce;
    uint16_t sourceHeight;
    uint16_t sourceWidth;
    uint16_t resultHeight;
    uint16_t resultWidth;
};

class ImageScaleRejects : public ::testing::TestWithParam<RejectCase> {};

TEST_P(ImageScaleRejects, ReturnsNullForResultsTheSourceCannotFill) {
    const RejectCase &c = GetParam();
    const Image source(64 * 64, 1);
    const uint8_t *result =
        c.reduce ? ImageReduce(source.data(), c.sourceHeight, c.sourceWidth, c.resultHeight, c.resultWidth)
                 : ImageEnlarge(source.data(), c.sourceHeight, c.sourceWidth, c.resultHeight, c.resultWidth);
    EXPECT_EQ(result, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Arguments, ImageScaleRejects,
                         ::testing::Values(RejectCase{"enlarge_empty_result", false, 4, 4, 0, 8},
                                           RejectCase{"enlarge_source_too_short", false, 3, 4, 7, 8},
                                           RejectCase{"enlarge_source_too_narrow", false, 4, 3, 8, 7},
                                           RejectCase{"reduce_empty_result", true, 8, 8, 4, 0},
                                           RejectCase{"reduce_source_too_short", true, 7, 8, 4, 4},
                                           RejectCase{"reduce_single_row_too_narrow", true, 1, 4, 1, 3}),
                         [](const auto &test) { return std::string(test.param.name); });

TEST(ImageScale, NullSourceGivesNull) {
    EXPECT_EQ(ImageEnlarge(nullptr, 2, 2, 4, 4), nullptr);
    EXPECT_EQ(ImageReduce(nullptr, 4, 4, 2, 2), nullptr);
}

TEST(ImageScale, ReturnsNullWhenOutOfMemory) {
    if (!failing_malloc::available()) {
        GTEST_SKIP() << "allocation failures are injected only without sanitizers";
    }
    const Image source(16, 50);
    const auto check = [](uint8_t *result, const failing_malloc::Outcome &outcome) {
        EXPECT_EQ(result == nullptr, outcome.failed);
        free(result);
    };
    EXPECT_EQ(failing_malloc::sweep([&] { return ImageEnlarge(source.data(), 4, 4, 8, 8); }, check), 1u);
    EXPECT_EQ(failing_malloc::sweep([&] { return ImageReduce(source.data(), 4, 4, 2, 2); }, check), 1u);
}

}  // namespace
