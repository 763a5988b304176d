// Window-count dilation and erosion of unit planes and byte masks.
#include "failing_malloc.h"
#include "fpdevice/imaging_localsums.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

using Plane = std::vector<int>;

// Foreground count of each sample's window, cut at the border.
Plane window_counts(const Plane &p, int h, int w, int kx, int ky) {
    Plane counts(p.size(), 0);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            for (int v = std::max(0, y - ky / 2); v <= std::min(h - 1, y + ky / 2); ++v) {
                for (int u = std::max(0, x - kx / 2); u <= std::min(w - 1, x + kx / 2); ++u) {
                    counts[y * w + x] += p[v * w + u] != 0 ? 1 : 0;
                }
            }
        }
    }
    return counts;
}

enum class Op { Dilate8, Erode8, Dilate16, Erode16, MaskDilate, MaskErode };

const char *op_name(Op op) {
    switch (op) {
        case Op::Dilate8: return "BWDilateFast";
        case Op::Erode8: return "BWErodeFast";
        case Op::Dilate16: return "BWDilateFastUint16";
        case Op::Erode16: return "BWErodeFastUint16";
        case Op::MaskDilate: return "MY_BWDilateFastUint16";
        case Op::MaskErode: return "MY_BWErodeFastUint16";
    }
    return "";
}

// Runs one routine on a copy of the plane in its own element type.
int32_t run(Op op, Plane &p, int h, int w, int kx, int ky) {
    const auto H = static_cast<uint16_t>(h);
    const auto W = static_cast<uint16_t>(w);
    const auto KX = static_cast<uint8_t>(kx);
    const auto KY = static_cast<uint8_t>(ky);
    int32_t result = 0;
    if (op == Op::Dilate16 || op == Op::Erode16) {
        std::vector<uint16_t> v(p.begin(), p.end());
        result =
            op == Op::Dilate16 ? BWDilateFastUint16(v.data(), H, W, KX, KY) : BWErodeFastUint16(v.data(), H, W, KX, KY);
        p.assign(v.begin(), v.end());
    } else {
        std::vector<uint8_t> v(p.begin(), p.end());
        switch (op) {
            case Op::Dilate8: result = BWDilateFast(v.data(), H, W, KX, KY); break;
            case Op::Erode8: result = BWErodeFast(v.data(), H, W, KX, KY); break;
            case Op::MaskDilate: result = MY_BWDilateFastUint16(v.data(), H, W, KX, KY); break;
            default: result = MY_BWErodeFastUint16(v.data(), H, W, KX, KY); break;
        }
        p.assign(v.begin(), v.end());
    }
    return result;
}

// The documented rule of each routine, for unit planes (masks: any non-zero).
Plane expected(Op op, const Plane &p, int h, int w, int kx, int ky) {
    const Plane c = window_counts(p, h, w, kx, ky);
    const int n = kx * ky;
    Plane out(p.size());
    for (size_t i = 0; i < p.size(); ++i) {
        switch (op) {
            case Op::Dilate8: out[i] = (c[i] & 0xFF) >= static_cast<int>(0.1 * (n & 0xFF) + 0.7) ? 1 : p[i]; break;
            case Op::Erode8: out[i] = (c[i] & 0xFF) != n ? 0 : p[i]; break;
            case Op::Dilate16: out[i] = c[i] >= static_cast<int>(0.18 * n + 0.7) ? 1 : 0; break;
            case Op::Erode16: out[i] = c[i] == n ? 1 : 0; break;
            case Op::MaskDilate: out[i] = c[i] >= static_cast<int>(0.18 * n + 0.7) ? 255 : 0; break;
            case Op::MaskErode: out[i] = c[i] == n ? 255 : 0; break;
        }
    }
    return out;
}

Plane random_plane(std::mt19937 &rng, int count, double density, int foreground) {
    std::bernoulli_distribution on(density);
    Plane p(count);
    for (auto &v : p) {
        v = on(rng) ? foreground : 0;
    }
    return p;
}

const Op kAllOps[] = {Op::Dilate8, Op::Erode8, Op::Dilate16, Op::Erode16, Op::MaskDilate, Op::MaskErode};

struct Shape {
    int h, w, kx, ky;
};

// Runs op on random planes of each shape and density and compares with its
// documented rule.
void expect_rule_on_random_planes(Op op, const std::vector<Shape> &shapes, const std::vector<double> &densities,
                                  unsigned seed) {
    const bool mask = op == Op::MaskDilate || op == Op::MaskErode;
    std::mt19937 rng(seed);
    for (const auto &s : shapes) {
        for (double density : densities) {
            SCOPED_TRACE(std::to_string(s.h) + "x" + std::to_string(s.w) + " windows " + std::to_string(s.kx) + "," +
                         std::to_string(s.ky) + " density " + std::to_string(density));
            // Masks may hold any non-zero value for foreground. Windows of up
            // to 255 samples and larger ones take different paths.
            Plane p = random_plane(rng, s.h * s.w, density, mask ? 77 : 1);
            const Plane want = expected(op, p, s.h, s.w, s.kx, s.ky);
            ASSERT_EQ(run(op, p, s.h, s.w, s.kx, s.ky), 0);
            EXPECT_EQ(p, want);
        }
    }
}

class WindowMorphology : public ::testing::TestWithParam<Op> {};

TEST_P(WindowMorphology, FollowsItsCountingRuleOnRandomPlanes) {
    expect_rule_on_random_planes(GetParam(),
                                 {{20, 30, 3, 3},
                                  {33, 17, 5, 9},
                                  {64, 64, 9, 9},
                                  {12, 40, 4, 2},
                                  {6, 5, 11, 11},
                                  {40, 50, 17, 15},
                                  {45, 37, 17, 17},
                                  {30, 33, 16, 16},
                                  {70, 90, 31, 5}},
                                 {0.1, 0.5, 0.95}, 31);
}

// Windows 8 and 9 columns wide are counted columns first: rows of every width
// around the 32-byte vector, planes lower than the window, windows of any
// height (9 x 31 holds more than 255 samples: 8-bit counts wrap).
TEST_P(WindowMorphology, NineColumnWindowsFollowTheRuleAtEveryWidth) {
    expect_rule_on_random_planes(GetParam(),
                                 {{1, 1, 9, 9},
                                  {3, 5, 9, 9},
                                  {9, 31, 9, 3},
                                  {40, 32, 9, 1},
                                  {17, 33, 8, 17},
                                  {2, 63, 9, 9},
                                  {25, 95, 9, 5},
                                  {33, 100, 8, 8},
                                  {12, 70, 9, 27},
                                  {40, 45, 9, 31}},
                                 {0.1, 0.5, 0.97}, 43);
}

TEST_P(WindowMorphology, NullPlaneReturnsOne) {
    const Op op = GetParam();
    int32_t result = 0;
    switch (op) {
        case Op::Dilate8: result = BWDilateFast(nullptr, 4, 4, 3, 3); break;
        case Op::Erode8: result = BWErodeFast(nullptr, 4, 4, 3, 3); break;
        case Op::Dilate16: result = BWDilateFastUint16(nullptr, 4, 4, 3, 3); break;
        case Op::Erode16: result = BWErodeFastUint16(nullptr, 4, 4, 3, 3); break;
        case Op::MaskDilate: result = MY_BWDilateFastUint16(nullptr, 4, 4, 3, 3); break;
        case Op::MaskErode: result = MY_BWErodeFastUint16(nullptr, 4, 4, 3, 3); break;
    }
    EXPECT_EQ(result, 1);
}

TEST_P(WindowMorphology, FailedAllocationLeavesThePlaneUnchanged) {
    if (!failing_malloc::available()) {
        GTEST_SKIP() << "allocation failures cannot be injected under the sanitizers";
    }
    const Op op = GetParam();
    std::mt19937 rng(37);
    const Plane original = random_plane(rng, 16 * 16, 0.5, 1);
    // The element copies are made before arming: only the routine's own
    // allocations are counted.
    std::vector<uint8_t> p8(original.size());
    std::vector<uint16_t> p16(original.size());
    failing_malloc::sweep(
        [&] {
            std::copy(original.begin(), original.end(), p8.begin());
            std::copy(original.begin(), original.end(), p16.begin());
            switch (op) {
                case Op::Dilate8: return BWDilateFast(p8.data(), 16, 16, 5, 5);
                case Op::Erode8: return BWErodeFast(p8.data(), 16, 16, 5, 5);
                case Op::Dilate16: return BWDilateFastUint16(p16.data(), 16, 16, 5, 5);
                case Op::Erode16: return BWErodeFastUint16(p16.data(), 16, 16, 5, 5);
                case Op::MaskDilate: return MY_BWDilateFastUint16(p8.data(), 16, 16, 5, 5);
                case Op::MaskErode: return MY_BWErodeFastUint16(p8.data(), 16, 16, 5, 5);
            }
            return -1;
        },
        [&](int32_t result, const failing_malloc::Outcome &outcome) {
            EXPECT_EQ(outcome.outstanding, 0u);
            if (outcome.failed) {
                EXPECT_EQ(result, 1);
                EXPECT_TRUE(std::equal(original.begin(), original.end(), p8.begin()));
                EXPECT_TRUE(std::equal(original.begin(), original.end(), p16.begin()));
            } else {
                EXPECT_EQ(result, 0);
            }
        });
}

INSTANTIATE_TEST_SUITE_P(AllRoutines, WindowMorphology, ::testing::ValuesIn(kAllOps),
                         [](const auto &test) { return std::string(op_name(test.param)); });

TEST(WindowMorphologyProperties, ErosionNeverAddsAndSoftDilationNeverRemoves) {
    std::mt19937 rng(41);
    for (int k : {1, 3, 5, 9, 15}) {
        for (double density : {0.2, 0.6, 0.9}) {
            SCOPED_TRACE("window " + std::to_string(k) + " density " + std::to_string(density));
            const Plane p = random_plane(rng, 48 * 40, density, 1);
            for (Op op : {Op::Erode8, Op::Erode16, Op::Dilate8}) {
                Plane q = p;
                ASSERT_EQ(run(op, q, 48, 40, k, k), 0);
                for (size_t i = 0; i < p.size(); ++i) {
                    if (op == Op::Dilate8) {
                        ASSERT_GE(q[i], p[i]) << op_name(op) << " removed sample " << i;
                    } else {
                        ASSERT_LE(q[i], p[i]) << op_name(op) << " added sample " << i;
                    }
                }
            }
        }
    }
}

TEST(WindowMorphologyExamples, Erosion3x3OfAFiveSquareKeepsTheCentralBlock) {
    Plane p(25, 1);
    ASSERT_EQ(run(Op::Erode16, p, 5, 5, 3, 3), 0);
    EXPECT_EQ(p, (Plane{0, 0, 0, 0, 0, 0, 1, 1, 1, 0, 0, 1, 1, 1, 0, 0, 1, 1, 1, 0, 0, 0, 0, 0, 0}));
}

TEST(WindowMorphologyExamples, EightBitDilation3x3IsAPlainDilation) {
    Plane p(25, 0);
    p[12] = 1;
    ASSERT_EQ(run(Op::Dilate8, p, 5, 5, 3, 3), 0);
    EXPECT_EQ(p, (Plane{0, 0, 0, 0, 0, 0, 1, 1, 1, 0, 0, 1, 1, 1, 0, 0, 1, 1, 1, 0, 0, 0, 0, 0, 0}));
}

TEST(WindowMorphologyExamples, SixteenBitDilation3x3NeedsTwoSamples) {
    Plane lone(25, 0);
    lone[12] = 1;
    ASSERT_EQ(run(Op::Dilate16, lone, 5, 5, 3, 3), 0);
    EXPECT_EQ(lone, Plane(25, 0));  // a single sample vanishes

    Plane pair(25, 0);
    pair[11] = 1;
    pair[12] = 1;
    ASSERT_EQ(run(Op::Dilate16, pair, 5, 5, 3, 3), 0);
    // On where the window holds both samples: rows 1 to 3, columns 1 and 2.
    EXPECT_EQ(pair, (Plane{0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 0, 1, 1, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0}));
}

struct ThresholdCase {
    int k;
    int t8;
    int t16;
};

class DilationThresholds : public ::testing::TestWithParam<ThresholdCase> {};

// t foreground samples in the window of the centre switch it on, t - 1 do not.
TEST_P(DilationThresholds, CentreTurnsOnAtTheDocumentedCount) {
    const ThresholdCase c = GetParam();
    const int side = c.k;
    const int centre = (side / 2) * side + side / 2;
    for (Op op : {Op::Dilate8, Op::Dilate16}) {
        const int t = op == Op::Dilate8 ? c.t8 : c.t16;
        for (int count : {t - 1, t}) {
            Plane p(side * side, 0);
            for (int i = 0, placed = 0; placed < count; ++i) {
                if (i != centre) {
                    p[i] = 1;
                    ++placed;
                }
            }
            ASSERT_EQ(run(op, p, side, side, c.k, c.k), 0);
            EXPECT_EQ(p[centre], count >= t ? 1 : 0) << op_name(op) << " with " << count;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(SquareWindows, DilationThresholds,
                         ::testing::Values(ThresholdCase{3, 1, 2}, ThresholdCase{5, 3, 5}, ThresholdCase{7, 5, 9},
                                           ThresholdCase{9, 8, 15}, ThresholdCase{11, 12, 22}),
                         [](const auto &test) { return "k" + std::to_string(test.param.k); });

TEST(WindowMorphologyEightBit, ErosionWithAnAreaOf256OrMoreClearsEverything) {
    Plane p(40 * 40, 1);
    ASSERT_EQ(run(Op::Erode8, p, 40, 40, 17, 17), 0);
    EXPECT_EQ(p, Plane(40 * 40, 0));
}

TEST(WindowMorphologyEightBit, DilationCountsTheAreaModulo256) {
    // 16 x 16 = 256 wraps to 0, so the threshold is 0 and every sample is set.
    Plane p(30 * 30, 0);
    ASSERT_EQ(run(Op::Dilate8, p, 30, 30, 16, 16), 0);
    EXPECT_EQ(p, Plane(30 * 30, 1));
}

TEST(WindowMorphologyEvenWindows, ErosionComparesWithTheNominalArea) {
    // Size 2 covers 3 x 3 samples but N = 4: a background centre with four
    // foreground samples around it is set.
    Plane p = {1, 0, 1, 0, 0, 0, 1, 0, 1};
    ASSERT_EQ(run(Op::Erode16, p, 3, 3, 2, 2), 0);
    EXPECT_EQ(p, (Plane{0, 0, 0, 0, 1, 0, 0, 0, 0}));
}

}  // namespace
