// The block orientation field of a gray image.
#include "failing_malloc.h"
#include "fpdevice/imaging_localsums.h"
#include "fpdevice/imaging_orientation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace {

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

    void release() {
        free(p);
        free(q);
        free(fine.data);
        free(change.data);
        free(coarse.data);
        p = q = nullptr;
        fine.data = change.data = coarse.data = nullptr;
    }

    void run(const Image &image, int h, int w, int fullH, int fullW, int window) {
        release();
        code = FingerprintGetDirectionFloat(image.data(), static_cast<uint16_t>(h), static_cast<uint16_t>(w),
                                            static_cast<uint16_t>(fullH), static_cast<uint16_t>(fullW),
                                            static_cast<uint8_t>(window), 0, &p, &q, &fine, &change, &coarse);
    }
};

std::vector<int16_t> values(const BlockField &f) {
    return std::vector<int16_t>(f.data, f.data + static_cast<size_t>(f.rows) * f.cols);
}

// Stripes whose ridges run at `degrees` counterclockwise from the row
// direction (rows running downward), period in samples.
Image stripes(int h, int w, double degrees, double period) {
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
std::vector<int16_t> interior(const BlockField &f) {
    std::vector<int16_t> out;
    for (int y = 2; y + 2 < f.rows; ++y) {
        for (int x = 2; x + 2 < f.cols; ++x) {
            out.push_back(f.data[y * f.cols + x]);
        }
    }
    return out;
}

TEST(FingerprintGetDirectionFloat, FlatImageHasOrientationZeroEverywhere) {
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
TEST_P(StripeOrientation, LatticeStripesGiveExactOrientations) {
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
                         ::testing::Values(StripeCase{"horizontal", 0, 0}, StripeCase{"rising_to_the_right", 45, 45},
                                           StripeCase{"vertical", 90, -89}),
                         [](const auto &test) { return std::string(test.param.name); });

TEST(FingerprintGetDirectionFloat, VerticalStripesHaveARawOrientationOf90) {
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

TEST(FingerprintGetDirectionFloat, RotatedStripesYieldTheirAngle) {
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

// Planes of 2 MiB and more are allocated differently from smaller ones; they
// hold the same sums to their last sample and are released with free().
TEST(FingerprintGetDirectionFloat, LargeImagesGiveTheAngleOfTheirStripesInPlanesFreedLikeAnyOther) {
    const int h = 512, w = 1024;
    const Image image = stripes(h, w, 30, 9.0);
    Result r;
    r.run(image, h, w, 2 * h, 2 * w, 11);
    ASSERT_EQ(r.code, 0);
    for (int16_t v : interior(r.fine)) {
        ASSERT_NEAR(v, 30, 2);
    }
    // The sums near the far corner depend on the samples near it only: a crop
    // of that corner gives the same sums away from its own first rows and
    // columns.
    const int c = 64;
    Image crop(static_cast<size_t>(c) * c);
    for (int y = 0; y < c; ++y) {
        for (int x = 0; x < c; ++x) {
            crop[y * c + x] = image[(h - c + y) * w + (w - c + x)];
        }
    }
    Result corner;
    corner.run(crop, c, c, 2 * c, 2 * c, 11);
    ASSERT_EQ(corner.code, 0);
    for (int y = 8; y < c; ++y) {
        for (int x = 8; x < c; ++x) {
            const size_t at = static_cast<size_t>(h - c + y) * w + (w - c + x);
            ASSERT_EQ(r.p[at], corner.p[y * c + x]) << y << "," << x;
            ASSERT_EQ(r.q[at], corner.q[y * c + x]) << y << "," << x;
        }
    }
}

TEST(FingerprintGetDirectionFloat, GridsFollowTheInputAndTheFullSize) {
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
    // The row and column the input does not hold repeat their neighbours.
    for (int i = 2; i < 19 && r.coarse.rows == 19 && r.coarse.cols == 19; ++i) {
        EXPECT_NEAR(r.coarse.data[18 * 19 + i], 30, 3) << "last row, column " << i;
        EXPECT_NEAR(r.coarse.data[i * 19 + 18], 30, 3) << "last column, row " << i;
    }
}

// A whorl-like ring pattern with noise, 150 x 150 of a 300 x 300 image.
Image noisy_rings(int side, double cx, double cy) {
    Image image(static_cast<size_t>(side) * side);
    std::mt19937 rng(47);
    std::uniform_int_distribution<int> noise(-20, 20);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const double r = std::hypot(x - cx, y - cy);
            image[y * side + x] =
                static_cast<uint8_t>(std::clamp(128 + static_cast<int>(90 * std::sin(r * 0.8)) + noise(rng), 0, 255));
        }
    }
    return image;
}

// Degrees between two orientations, which repeat every 180.
int orientation_distance(double a, double b) {
    const double d = std::fmod(std::fabs(a - b), 180.0);
    return static_cast<int>(std::lround(d > 90.0 ? 180.0 - d : d));
}

TEST(FingerprintGetDirectionFloat, RingsGiveTheirTangentAwayFromTheCentre) {
    const int side = 150;
    const double cx = 70.0, cy = 80.0;
    Result r;
    r.run(noisy_rings(side, cx, cy), side, side, 2 * side, 2 * side, 9);
    ASSERT_EQ(r.code, 0);
    // Ridges run across the radius: the angle of (dx, dy) measured as the
    // stripes' angle is measured.
    auto tangent = [&](double x, double y) { return std::atan2(x - cx, y - cy) * 180.0 / M_PI; };
    for (const BlockField *f : {&r.fine, &r.coarse}) {
        const double samples = f == &r.fine ? 4.0 : 8.0;  // input samples per block side
        for (int by = 2; by + 2 < f->rows; ++by) {
            for (int bx = 2; bx + 2 < f->cols; ++bx) {
                const double x = samples * (bx + 0.5), y = samples * (by + 0.5);
                if (std::hypot(x - cx, y - cy) < 20.0 || x >= side || y >= side) continue;
                ASSERT_LE(orientation_distance(f->data[by * f->cols + bx], tangent(x, y)), 8)
                    << (f == &r.fine ? "fine" : "coarse") << " block " << by << "," << bx;
            }
        }
    }
}

TEST(FingerprintGetDirectionFloat, PlanesKeepTheirSymmetries) {
    const int side = 150;
    const Image image = noisy_rings(side, 70.0, 80.0);
    Image inverted(image.size()), transposed(image.size());
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            inverted[y * side + x] = static_cast<uint8_t>(255 - image[y * side + x]);
            transposed[x * side + y] = image[y * side + x];
        }
    }
    Result plain, dark, turned;
    plain.run(image, side, side, 2 * side, 2 * side, 9);
    dark.run(inverted, side, side, 2 * side, 2 * side, 9);
    turned.run(transposed, side, side, 2 * side, 2 * side, 9);
    ASSERT_EQ(plain.code, 0);
    ASSERT_EQ(dark.code, 0);
    ASSERT_EQ(turned.code, 0);
    // Products of two gradients do not see the sign of the gray levels;
    // swapping the axes swaps the gradients, so 2 Gx Gy stays and
    // Gy^2 - Gx^2 changes sign.
    const size_t n = static_cast<size_t>(side) * side;
    EXPECT_EQ(std::vector<int32_t>(dark.p, dark.p + n), std::vector<int32_t>(plain.p, plain.p + n));
    EXPECT_EQ(std::vector<int32_t>(dark.q, dark.q + n), std::vector<int32_t>(plain.q, plain.q + n));
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            ASSERT_EQ(turned.p[x * side + y], plain.p[y * side + x]) << y << "," << x;
            ASSERT_EQ(turned.q[x * side + y], -plain.q[y * side + x]) << y << "," << x;
        }
    }
}

TEST(FingerprintGetDirectionFloat, ChangeMapSeesTheNoiseThatSmoothingRemoves) {
    const int side = 150;
    Result r;
    r.run(noisy_rings(side, 70.0, 80.0), side, side, 2 * side, 2 * side, 9);
    ASSERT_EQ(r.code, 0);
    // The change map is taken before the smoothing: the smoothed field's own
    // change is smaller.
    BlockField smoothedChange{0, 0, 0, nullptr};
    ASSERT_EQ(FingerprintOrientGrad(&smoothedChange, &r.fine), 0);
    const std::vector<int16_t> raw = values(r.change), smoothed = values(smoothedChange);
    free(smoothedChange.data);
    EXPECT_GT(std::accumulate(raw.begin(), raw.end(), 0L), std::accumulate(smoothed.begin(), smoothed.end(), 0L));
}

TEST(FingerprintGetDirectionFloat, FullSizeSmallerThanTheInputStaysInsideTheGrid) {
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

TEST(FingerprintGetDirectionFloat, ImagesSmallerThanTheWindowAndBlocksSucceed) {
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

struct PathCase {
    const char *name;
    int h;
    int w;
    int window;
};

class EveryInstructionSet : public ::testing::TestWithParam<PathCase> {};

// The vector paths sum rows and columns in their own order and take their
// widest vectors up to the last one that fits a row: shapes whose rows end
// in a partial vector, windows wider than the image and the strongest
// gradients (samples of 0 and 255 only) must give the planes and fields of
// the plain loops.
TEST_P(EveryInstructionSet, GivesThePlanesAndFieldsOfThePlainLoops) {
    const PathCase c = GetParam();
    Image image(static_cast<size_t>(c.h) * c.w);
    uint32_t state = 7;
    for (uint8_t &v : image) {
        state = state * 1103515245u + 12345u;
        v = (state >> 28) < 7 ? 0 : 255;
    }
    const char *chosen = std::getenv("FPKEY_SIMD");
    const std::string before = chosen != nullptr ? chosen : "";
    Result results[3];
    const char *paths[3] = {"scalar", "sse2", "avx2"};
    for (int k = 0; k < 3; ++k) {
        setenv("FPKEY_SIMD", paths[k], 1);
        results[k].run(image, c.h, c.w, 2 * c.h, 2 * c.w, c.window);
    }
    if (chosen != nullptr) {
        setenv("FPKEY_SIMD", before.c_str(), 1);
    } else {
        unsetenv("FPKEY_SIMD");
    }
    const size_t n = image.size();
    const Result &reference = results[0];
    ASSERT_EQ(reference.code, 0);
    for (int k = 1; k < 3; ++k) {
        SCOPED_TRACE(paths[k]);
        const Result &r = results[k];
        ASSERT_EQ(r.code, 0);
        EXPECT_EQ(std::vector<int32_t>(r.p, r.p + n), std::vector<int32_t>(reference.p, reference.p + n));
        EXPECT_EQ(std::vector<int32_t>(r.q, r.q + n), std::vector<int32_t>(reference.q, reference.q + n));
        EXPECT_EQ(values(r.fine), values(reference.fine));
        EXPECT_EQ(values(r.change), values(reference.change));
        EXPECT_EQ(values(r.coarse), values(reference.coarse));
    }
}

INSTANTIATE_TEST_SUITE_P(Shapes, EveryInstructionSet,
                         ::testing::Values(PathCase{"one_sample", 1, 1, 9}, PathCase{"two_columns", 40, 2, 9},
                                           PathCase{"three_rows", 3, 57, 5}, PathCase{"partial_vectors", 45, 43, 9},
                                           PathCase{"window_wider_than_the_image", 12, 19, 31},
                                           PathCase{"window_of_one", 33, 35, 1}, PathCase{"even_window", 64, 70, 8},
                                           PathCase{"wide_window_large_rows", 150, 161, 15}),
                         [](const auto &test) { return std::string(test.param.name); });

// The smoothed fine field from the returned planes, step by step with the
// C library's atan2, sin and cos and the library's own float window sums:
// the routine's orientations must be exactly these, whatever shortcut it
// takes to the angle of the summed vectors.
std::vector<int16_t> smoothed_fine_field(const Result &r, int w) {
    const int rows = r.fine.rows;
    const int cols = r.fine.cols;
    std::vector<float> cosines(static_cast<size_t>(rows) * cols);
    std::vector<float> sines(cosines.size());
    for (int by = 0; by < rows; ++by) {
        for (int bx = 0; bx < cols; ++bx) {
            const size_t centre = static_cast<size_t>(4 * by + 2) * w + 4 * bx + 2;
            const auto angle = static_cast<float>(std::atan2(static_cast<double>(r.p[centre]), r.q[centre]));
            cosines[by * cols + bx] = static_cast<float>(std::cos(static_cast<double>(angle)));
            sines[by * cols + bx] = static_cast<float>(std::sin(static_cast<double>(angle)));
        }
    }
    std::vector<float> c(cosines.size()), s(sines.size());
    const auto h16 = static_cast<uint16_t>(rows);
    const auto w16 = static_cast<uint16_t>(cols);
    if (fvs_ImageLocalSumFloat2Float(c.data(), cosines.data(), h16, w16, 5, 5) != 0 ||
        fvs_ImageLocalSumFloat2Float(s.data(), sines.data(), h16, w16, 5, 5) != 0) {
        return {};
    }
    std::vector<int16_t> field(c.size());
    for (size_t i = 0; i < field.size(); ++i) {
        const double doubled = std::atan2(static_cast<double>(s[i]), static_cast<double>(c[i]));
        field[i] = static_cast<int16_t>(static_cast<int32_t>(doubled * 57.295779513 / 2.0));
    }
    return field;
}

TEST(FingerprintGetDirectionFloat, SmoothedOrientationsAreThoseOfTheLibraryAtan2) {
    std::mt19937 random(2024);
    std::vector<Image> images{stripes(96, 96, 90.0, 7.0), stripes(96, 96, 0.0, 6.0), Image(96 * 96, 40)};
    for (int n = 0; n < 6; ++n) {
        // Noisy stripes at a random angle: a spread of summed vectors of
        // every length and direction.
        Image image = stripes(128, 128, static_cast<double>(random() % 180), 5.0 + random() % 6);
        for (auto &v : image) v = static_cast<uint8_t>(std::clamp(v + static_cast<int>(random() % 121) - 60, 0, 255));
        images.push_back(std::move(image));
    }
    for (const Image &image : images) {
        const int side = image.size() == 96 * 96 ? 96 : 128;
        Result r;
        r.run(image, side, side, 2 * side, 2 * side, 9);
        ASSERT_EQ(r.code, 0);
        EXPECT_EQ(values(r.fine), smoothed_fine_field(r, side)) << side;
    }
}

TEST(FingerprintGetDirectionFloat, NullArgumentsReturnOne) {
    const Image image(16 * 16, 1);
    int32_t *p = nullptr, *q = nullptr;
    BlockField a{0, 0, 0, nullptr}, b{0, 0, 0, nullptr}, c{0, 0, 0, nullptr};
    // Each argument in turn left out.
    for (int missing = 0; missing < 6; ++missing) {
        EXPECT_EQ(FingerprintGetDirectionFloat(missing == 0 ? nullptr : image.data(), 16, 16, 32, 32, 5, 0,
                                               missing == 1 ? nullptr : &p, missing == 2 ? nullptr : &q,
                                               missing == 3 ? nullptr : &a, missing == 4 ? nullptr : &b,
                                               missing == 5 ? nullptr : &c),
                  1)
            << "argument " << missing;
    }
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(a.data, nullptr);
}

TEST(FingerprintGetDirectionFloat, FailedAllocationReleasesEverythingAndHandsOutNothing) {
    if (!failing_malloc::available()) {
        GTEST_SKIP() << "allocation failures cannot be injected under the sanitizers";
    }
    const Image image = stripes(40, 48, 30, 8.0);
    Result r;
    const size_t allocations = failing_malloc::sweep(
        [&] {
            r.release();
            return FingerprintGetDirectionFloat(image.data(), 40, 48, 80, 96, 7, 0, &r.p, &r.q, &r.fine, &r.change,
                                                &r.coarse);
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
                EXPECT_EQ(outcome.outstanding, 5u);  // P, Q and three fields
            }
        });
    EXPECT_GT(allocations, 5u);
}

}  // namespace
