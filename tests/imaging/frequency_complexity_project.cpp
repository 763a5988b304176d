// Region shape complexity and row / column projections.
#include "fpdevice/imaging_frequency.h"
#include "on_every_simd_path.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

struct Mask {
    int h;
    int w;
    std::vector<uint8_t> samples;

    Mask(int height, int width, uint8_t fill = 0) : h(height), w(width), samples(size_t(height) * width, fill) {}
    Mask &rect(int top, int left, int rows, int cols, uint8_t value = 255) {
        for (int y = top; y < top + rows; ++y) {
            for (int x = left; x < left + cols; ++x) {
                samples[y * w + x] = value;
            }
        }
        return *this;
    }
};

struct ComplexityCase {
    const char *name;
    Mask mask;
    uint8_t value;
    float expected;
};

class ComplexityExamples : public ::testing::TestWithParam<ComplexityCase> {};

TEST_P(ComplexityExamples, BoundarySquaredOverArea) {
    const ComplexityCase &c = GetParam();
    EXPECT_FLOAT_EQ(
        Complexity(c.mask.samples.data(), static_cast<int16_t>(c.mask.h), static_cast<int16_t>(c.mask.w), c.value),
        c.expected);
}

INSTANTIATE_TEST_SUITE_P(Examples, ComplexityExamples,
                         ::testing::Values(
                             // 25 samples, the inner 3 x 3 surrounded: boundary 16, 256 / 25.
                             ComplexityCase{"square_5x5", Mask(12, 12).rect(3, 3, 5, 5), 255, 10.24F},
                             ComplexityCase{"single_sample", Mask(5, 5).rect(2, 2, 1, 1), 255, 1.0F},
                             ComplexityCase{"line_of_ten", Mask(5, 14).rect(2, 2, 1, 10), 255, 10.0F},
                             // The border rows and columns are not counted, but are neighbours:
                             // every interior sample of a full mask is surrounded.
                             ComplexityCase{"full_mask_has_no_boundary", Mask(6, 6, 255), 255, 0.0F},
                             // The background as the region: the inner ring of a 0/255 mask's
                             // zeros has neighbours whose AND is 0, so every zero is boundary.
                             ComplexityCase{"background_of_a_mask", Mask(7, 7).rect(2, 2, 3, 3), 0, 16.0F},
                             // Neighbours 1 and 2 share no bit: the centre of a plus of 1s inside
                             // 2s is boundary even though all its neighbours are non-zero.
                             ComplexityCase{"gray_neighbours_share_no_bit",
                                            Mask(5, 5, 2).rect(2, 2, 1, 1, 1).rect(1, 2, 1, 1, 1).rect(3, 2, 1, 1, 1),
                                            1, 9.0F / 3}),
                         [](const auto &test) { return std::string(test.param.name); });

TEST(Complexity, NullImageGivesMinusOne) { EXPECT_EQ(Complexity(nullptr, 10, 10, 255), -1.0F); }

TEST(Complexity, NoSampleOfTheValueGivesNaN) {
    const Mask m(8, 8);
    EXPECT_TRUE(std::isnan(Complexity(m.samples.data(), 8, 8, 255)));
    EXPECT_TRUE(std::isnan(Complexity(m.samples.data(), 2, 8, 0))) << "no interior";
}

// Blobs of 255 on 0 with speckles of gray: the lanes take 16 samples of a
// row at a time and the rest one by one, so the widths leave every tail
// from none to fifteen samples.
TEST(Complexity, EveryInstructionSetCountsTheSameShapes) {
    std::mt19937 rng(11);
    for (const auto &[h, w] : {std::pair{5, 18}, std::pair{9, 19}, std::pair{16, 33}, std::pair{21, 47},
                               std::pair{7, 64}, std::pair{30, 129}}) {
        Mask m(h, w);
        for (int blob = 0; blob < 4; ++blob) {
            const int top = static_cast<int>(rng() % h);
            const int left = static_cast<int>(rng() % w);
            m.rect(top, left, 1 + static_cast<int>(rng() % (h - top)), 1 + static_cast<int>(rng() % (w - left)));
        }
        for (auto &v : m.samples) {
            v = rng() % 9 == 0 ? static_cast<uint8_t>(rng() % 4 * 85) : v;
        }
        for (const uint8_t value : {uint8_t{255}, uint8_t{0}, uint8_t{170}}) {
            const auto results = fpkey_test::OnEverySimdPath(
                [&] { return Complexity(m.samples.data(), static_cast<int16_t>(h), static_cast<int16_t>(w), value); });
            for (const auto &[path, complexity] : results) {
                EXPECT_EQ(std::memcmp(&complexity, &results[0].second, sizeof complexity), 0)
                    << path << ", " << h << " x " << w << ", value " << int{value};
            }
        }
    }
}

TEST(Project, ExampleRowsAndColumns) {
    const uint8_t image[6] = {1, 2, 3, 4, 5, 6};
    uint32_t out[3] = {99, 99, 99};
    Project(out, image, 2, 3, 1);
    EXPECT_EQ(std::vector<uint32_t>(out, out + 3), (std::vector<uint32_t>{5, 7, 9}));
    Project(out, image, 2, 3, 0);
    EXPECT_EQ(std::vector<uint32_t>(out, out + 3), (std::vector<uint32_t>{6, 15, 9}));
    Project(out, image, 2, 3, -7);  // any non-zero direction sums columns
    EXPECT_EQ(std::vector<uint32_t>(out, out + 3), (std::vector<uint32_t>{5, 7, 9}));
}

TEST(Project, MatchesASimpleCountOnRandomImages) {
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> level(0, 255);
    for (const auto &[h, w] : {std::pair{1, 1}, std::pair{7, 300}, std::pair{300, 7}}) {
        std::vector<uint8_t> image(size_t(h) * w);
        for (auto &v : image) {
            v = static_cast<uint8_t>(level(rng));
        }
        std::vector<uint32_t> rows(h), columns(w), expectRows(h, 0), expectColumns(w, 0);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                expectRows[y] += image[y * w + x];
                expectColumns[x] += image[y * w + x];
            }
        }
        Project(rows.data(), image.data(), h, w, 0);
        Project(columns.data(), image.data(), h, w, 1);
        EXPECT_EQ(rows, expectRows);
        EXPECT_EQ(columns, expectColumns);
    }
}

TEST(Project, NothingToSumWritesNothing) {
    const uint8_t image[4] = {1, 2, 3, 4};
    uint32_t out[2] = {77, 77};
    Project(out, image, 0, 2, 0);
    Project(out, image, 2, -1, 1);
    Project(out, nullptr, 2, 2, 0);
    Project(nullptr, image, 2, 2, 0);
    EXPECT_EQ(out[0], 77u);
    EXPECT_EQ(out[1], 77u);
}

}  // namespace
