// The block orientation field of a gray image.
#include "failing_malloc.h"
#include "fpdevice/imaging_orientation.h"
#include "localsums_reference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

namespace ref = localsums_reference;

using Image = std::vector<uint8_t>;

// Everything one call hands out, released on destruction.
struct Result {
    int32_t code = -1;
    int32_t *p = nullptr;
    int32_t *q = nullptr;
    BlockField fine{0, 0, 0, nullptr};
    BlockField change{0, 0, 0, nullptr};
    BlockField coarse{0, 0, 0, nullptr};

    Result() = default;
    Result(const Result &) = delete;
    Result &operator=(const Result &) = delete;
    ~Result() { release(); }

    void release()
    {
        free(p);
        free(q);
        free(fine.data);
        free(change.data);
        free(coarse.data);
        p = q = nullptr;
        fine.data = change.data = coarse.data = nullptr;
    }

    void run(const Image &image, int h, int w, int fullH, int fullW, int window)
    {
        release();
        code = FingerprintGetDirectionFloat(image.data(), static_cast<uint16_t>(h),
                                            static_cast<uint16_t>(w), static_cast<uint16_t>(fullH),
                                            static_cast<uint16_t>(fullW),
                                            static_cast<uint8_t>(window), 0, &p, &q, &fine,
                                            &change, &coarse);
    }
};

std::vector<int16_t> values(const BlockField &f)
{
    return std::vector<int16_t>(f.data, f.data + static_cast<size_t>(f.rows) * f.cols);
}

// Stripes whose ridges run at `degrees` counterclockwise from the row
// direction (rows running downward), period in samples.
Image stripes(int h, int w, double degrees, double period)
{
    const double a = degrees * M_PI / 180.0;
    Image image(static_cast<size_t>(h) * w);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const double across = x * std::sin(a) + y * std::cos(a);
            const double v = 128.0 + 100.0 * std::sin(2 * M_PI * across / period);
            image[y * w + x] = static_cast<uint8_t>(std::lround(v));
        }
    }
    return image;
}

// Interior blocks (two blocks off every edge) of a field.
std::vector<int16_t> interior(const BlockField &f)
{
    std::vector<int16_t> out;
    for (int y = 2; y + 2 < f.rows; ++y) {
        for (int x = 2; x + 2 < f.cols; ++x) {
            out.push_back(f.data[y * f.cols + x]);
        }
    }
    return out;
}

TEST(FingerprintGetDirectionFloat, FlatImageHasOrientationZeroEverywhere)
{
    const Image flat(64 * 48, 93);
    Result r;
    r.run(flat, 64, 48, 128, 96, 7);
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(std::vector<int32_t>(r.p, r.p + 64 * 48), std::vector<int32_t>(64 * 48, 0));
    EXPECT_EQ(std::vector<int32_t>(r.q, r.q + 64 * 48), std::vector<int32_t>(64 * 48, 0));
    EXPECT_EQ(values(r.fine), std::vector<int16_t>(16 * 12, 0));
    EXPECT_EQ(values(r.change), std::vector<int16_t>(16 * 12, 0));
    EXPECT_EQ(values(r.coarse), std::vector<int16_t>(8 * 6, 0));
}

struct StripeCase {
    const char *name;
    int degrees;
    int16_t smoothed;
};

class StripeOrientation : public ::testing::TestWithParam<StripeCase> {};

// Stripes along a lattice direction give exact values, which pin the
// precision of each step: 45 needs the doubled angle kept in single precision
// (pi / 2 as single lies above pi / 2), -89 for vertical ridges needs the final
// atan2 kept in double precision (pi as single lies above pi, its sine is
// slightly negative and the summed vector points just below -pi).
TEST_P(StripeOrientation, LatticeStripesGiveExactOrientations)
{
    const StripeCase c = GetParam();
    const int side = 96;
    Image image(side * side);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const int across = c.degrees == 0 ? y : c.degrees == 90 ? x : x + y;
            image[y * side + x] = static_cast<uint8_t>(across % 7 < 3 ? 40 : 200);
        }
    }
    Result r;
    r.run(image, side, side, 2 * side, 2 * side, 9);
    ASSERT_EQ(r.code, 0);
    const size_t fineCount = (side / 4) * (side / 4);
    for (size_t i = 0; i < fineCount; ++i) {
        const int y = static_cast<int>(i) / (side / 4);
        const int x = static_cast<int>(i) % (side / 4);
        // Blocks whose window reaches the zero border see cut sums; the
        // interior is what the stripes decide.
        if (y >= 2 && y + 2 < side / 4 && x >= 2 && x + 2 < side / 4) {
            ASSERT_EQ(r.fine.data[i], c.smoothed) << "block " << y << "," << x;
        }
    }
    for (int16_t v : interior(r.coarse)) {
        ASSERT_EQ(v, c.smoothed);
    }
}

INSTANTIATE_TEST_SUITE_P(Examples, StripeOrientation,
                         ::testing::Values(StripeCase{"horizontal", 0, 0},
                                           StripeCase{"rising_to_the_right", 45, 45},
                                           StripeCase{"vertical", 90, -89}),
                         [](const auto &test) { return std::string(test.param.name); });

TEST(FingerprintGetDirectionFloat, VerticalStripesHaveARawOrientationOf90)
{
    // The raw angle is atan2(0, negative Q) = pi, stored as single: 90 after
    // halving. Its neighbours agree, so the change map is 0 inside.
    Image image(64 * 64);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            image[y * 64 + x] = static_cast<uint8_t>(x % 6 < 3 ? 30 : 220);
        }
    }
    Result r;
    r.run(image, 64, 64, 128, 128, 9);
    ASSERT_EQ(r.code, 0);
    const size_t centre = (4 * 5 + 2) * 64 + 4 * 5 + 2;
    EXPECT_EQ(r.p[centre], 0);
    EXPECT_LT(r.q[centre], 0);
    for (int16_t v : interior(r.change)) {
        ASSERT_EQ(v, 0);
    }
}

TEST(FingerprintGetDirectionFloat, RotatedStripesYieldTheirAngle)
{
    for (int degrees : {-75, -60, -30, -10, 15, 30, 60, 80}) {
        SCOPED_TRACE("stripes at " + std::to_string(degrees));
        const Image image = stripes(128, 128, degrees, 9.0);
        Result r;
        r.run(image, 128, 128, 256, 256, 11);
        ASSERT_EQ(r.code, 0);
        for (const BlockField *f : {&r.fine, &r.coarse}) {
            for (int16_t v : interior(*f)) {
                ASSERT_NEAR(v, degrees, 2);
            }
        }
    }
}

TEST(FingerprintGetDirectionFloat, GridsFollowTheInputAndTheFullSize)
{
    // A 150 x 150 input of a 300 x 300 image: 37 x 37 fine blocks, and a
    // coarse grid of 19 x 19 blocks of which the input holds 18 x 18.
    const Image image = stripes(150, 150, 30, 8.0);
    Result r;
    r.run(image, 150, 150, 300, 300, 7);
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(r.fine.blockSize, 8);
    EXPECT_EQ(r.fine.rows, 37);
    EXPECT_EQ(r.fine.cols, 37);
    EXPECT_EQ(r.change.blockSize, 8);
    EXPECT_EQ(r.change.rows, 37);
    EXPECT_EQ(r.change.cols, 37);
    EXPECT_EQ(r.coarse.blockSize, 16);
    EXPECT_EQ(r.coarse.rows, 19);
    EXPECT_EQ(r.coarse.cols, 19);
}

// Steps of the field written out plainly, for comparing whole results.
std::vector<int16_t> reference_smooth(const std::vector<float> &angles, int rows, int cols,
                                      int window)
{
    std::vector<float> c(angles.size()), s(angles.size());
    for (size_t i = 0; i < angles.size(); ++i) {
        c[i] = static_cast<float>(std::cos(static_cast<double>(angles[i])));
        s[i] = static_cast<float>(std::sin(static_cast<double>(angles[i])));
    }
    const auto cs = ref::image_sum<float>(c, rows, cols, window, window);
    const auto ss = ref::image_sum<float>(s, rows, cols, window, window);
    std::vector<int16_t> out(angles.size());
    for (size_t i = 0; i < out.size(); ++i) {
        const double a = std::atan2(static_cast<double>(ss[i]), static_cast<double>(cs[i]));
        out[i] = static_cast<int16_t>(std::trunc(a * 57.295779513 / 2.0));
    }
    return out;
}

TEST(FingerprintGetDirectionFloat, WholeResultMatchesTheStepsWrittenOut)
{
    // A whorl-like ring pattern with noise, 150 x 150 of a 300 x 300 image.
    const int h = 150, w = 150, window = 9;
    Image image(h * w);
    std::mt19937 rng(47);
    std::uniform_int_distribution<int> noise(-20, 20);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const double r = std::hypot(x - 70.0, y - 80.0);
            image[y * w + x] = static_cast<uint8_t>(
                std::clamp(128 + static_cast<int>(90 * std::sin(r * 0.8)) + noise(rng), 0, 255));
        }
    }
    Result r;
    r.run(image, h, w, 300, 300, window);
    ASSERT_EQ(r.code, 0);

    // Gradient products and their sums.
    std::vector<int32_t> p(h * w, 0), q(h * w, 0);
    auto at = [&](int y, int x) { return static_cast<int>(image[y * w + x]); };
    for (int y = 1; y < h - 1; ++y) {
        for (int x = 1; x < w - 1; ++x) {
            const int gx = 2 * (at(y, x + 1) - at(y, x - 1)) +
                           (at(y - 1, x + 1) - at(y - 1, x - 1)) +
                           (at(y + 1, x + 1) - at(y + 1, x - 1));
            const int gy = 2 * (at(y + 1, x) - at(y - 1, x)) +
                           (at(y + 1, x - 1) - at(y - 1, x - 1)) +
                           (at(y + 1, x + 1) - at(y - 1, x + 1));
            p[y * w + x] = 2 * gx * gy;
            q[y * w + x] = gy * gy - gx * gx;
        }
    }
    p = ref::image_sum<int32_t>(p, h, w, window, window);
    q = ref::image_sum<int32_t>(q, h, w, window, window);
    EXPECT_EQ(std::vector<int32_t>(r.p, r.p + h * w), p);
    EXPECT_EQ(std::vector<int32_t>(r.q, r.q + h * w), q);

    auto doubled = [&](int y, int x) {
        return static_cast<float>(std::atan2(static_cast<double>(p[y * w + x]),
                                             static_cast<double>(q[y * w + x])));
    };
    const int rows = h / 4, cols = w / 4;
    std::vector<float> fine(rows * cols);
    std::vector<int16_t> raw(rows * cols);
    for (int by = 0; by < rows; ++by) {
        for (int bx = 0; bx < cols; ++bx) {
            fine[by * cols + bx] = doubled(4 * by + 2, 4 * bx + 2);
            raw[by * cols + bx] = static_cast<int16_t>(
                std::trunc(static_cast<double>(fine[by * cols + bx]) * 57.295779513 / 2.0));
        }
    }
    EXPECT_EQ(values(r.fine), reference_smooth(fine, rows, cols, 5));

    BlockField rawField{8, static_cast<uint16_t>(rows), static_cast<uint16_t>(cols), raw.data()};
    BlockField change{0, 0, 0, nullptr};
    ASSERT_EQ(FingerprintOrientGrad(&change, &rawField), 0);
    EXPECT_EQ(values(r.change), values(change));
    free(change.data);

    const int rows16 = (300 + 15) >> 4, cols16 = rows16;
    std::vector<float> coarse(rows16 * cols16, 0.0f);
    for (int by = 0; by < h / 8; ++by) {
        for (int bx = 0; bx < w / 8; ++bx) {
            coarse[by * cols16 + bx] = doubled(8 * by + 4, 8 * bx + 4);
        }
        coarse[by * cols16 + cols16 - 1] = coarse[by * cols16 + cols16 - 2];
    }
    for (int bx = 0; bx < cols16; ++bx) {
        coarse[(rows16 - 1) * cols16 + bx] = coarse[(rows16 - 2) * cols16 + bx];
    }
    EXPECT_EQ(values(r.coarse), reference_smooth(coarse, rows16, cols16, 3));
}

TEST(FingerprintGetDirectionFloat, FullSizeSmallerThanTheInputStaysInsideTheGrid)
{
    const Image image = stripes(96, 96, 20, 8.0);
    Result r;
    r.run(image, 96, 96, 40, 24, 7);
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(r.coarse.rows, 3);
    EXPECT_EQ(r.coarse.cols, 2);
    for (int16_t v : values(r.coarse)) {
        EXPECT_NEAR(v, 20, 3);
    }
}

TEST(FingerprintGetDirectionFloat, ImagesSmallerThanTheWindowAndBlocksSucceed)
{
    for (int side : {1, 2, 3, 5, 9}) {
        SCOPED_TRACE(side);
        const Image image(side * side, 50);
        Result r;
        r.run(image, side, side, 2 * side, 2 * side, 15);
        ASSERT_EQ(r.code, 0);
        EXPECT_EQ(r.fine.rows, side / 4);
        EXPECT_NE(r.fine.data, nullptr);
        EXPECT_NE(r.coarse.data, nullptr);
    }
}

TEST(FingerprintGetDirectionFloat, NullArgumentsReturnOne)
{
    const Image image(16 * 16, 1);
    int32_t *p = nullptr, *q = nullptr;
    BlockField a{0, 0, 0, nullptr}, b{0, 0, 0, nullptr}, c{0, 0, 0, nullptr};
    // Each argument in turn left out.
    for (int missing = 0; missing < 6; ++missing) {
        EXPECT_EQ(FingerprintGetDirectionFloat(missing == 0 ? nullptr : image.data(), 16, 16, 32,
                                               32, 5, 0, missing == 1 ? nullptr : &p,
                                               missing == 2 ? nullptr : &q,
                                               missing == 3 ? nullptr : &a,
                                               missing == 4 ? nullptr : &b,
                                               missing == 5 ? nullptr : &c),
                  1)
            << "argument " << missing;
    }
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(a.data, nullptr);
}

TEST(FingerprintGetDirectionFloat, FailedAllocationReleasesEverythingAndHandsOutNothing)
{
    if (!failing_malloc::available()) {
        GTEST_SKIP() << "allocation failures cannot be injected under the sanitizers";
    }
    const Image image = stripes(40, 48, 30, 8.0);
    Result r;
    const size_t allocations = failing_malloc::sweep(
        [&] {
            r.release();
            return FingerprintGetDirectionFloat(image.data(), 40, 48, 80, 96, 7, 0, &r.p, &r.q,
                                                &r.fine, &r.change, &r.coarse);
        },
        [&](int32_t code, const failing_malloc::Outcome &outcome) {
            if (outcome.failed) {
                EXPECT_EQ(code, 1);
                EXPECT_EQ(outcome.outstanding, 0u);
                EXPECT_EQ(r.p, nullptr);
                EXPECT_EQ(r.q, nullptr);
                EXPECT_EQ(r.fine.data, nullptr);
                EXPECT_EQ(r.change.data, nullptr);
                EXPECT_EQ(r.coarse.data, nullptr);
                EXPECT_EQ(r.fine.rows, 10);
                EXPECT_EQ(r.change.cols, 12);
            } else {
                EXPECT_EQ(code, 0);
                EXPECT_EQ(outcome.outstanding, 5u); // P, Q and three fields
            }
        });
    EXPECT_GT(allocations, 5u);
}

} // namespace
