// 3 x 3 dilation and erosion of byte masks.
#include "failing_malloc.h"
#include "fpdevice/imaging_localsums.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

using Mask = std::vector<uint8_t>;

// Literal forms: a full copy, centres visited one by one.
Mask reference_dilate(const Mask &m, int h, int w) {
    Mask out = m;
    for (int y = 1; y + 1 < h; ++y) {
        for (int x = 1; x + 1 < w; ++x) {
            if (m[y * w + x] == 0) {
                continue;
            }
            for (int v = -1; v <= 1; ++v) {
                for (int u = -1; u <= 1; ++u) {
                    if (v != 0 || u != 0) {
                        out[(y + v) * w + x + u] = 255;
                    }
                }
            }
        }
    }
    return out;
}

Mask reference_erode(const Mask &m, int h, int w) {
    Mask out = m;
    for (int y = 1; y + 1 < h; ++y) {
        for (int x = 1; x + 1 < w; ++x) {
            if (m[y * w + x] == 0) {
                continue;
            }
            for (int v = -1; v <= 1; ++v) {
                for (int u = -1; u <= 1; ++u) {
                    if (m[(y + v) * w + x + u] == 0) {
                        out[y * w + x] = 0;
                    }
                }
            }
        }
    }
    return out;
}

struct Case3x3 {
    const char *name;
    int h;
    int w;
    Mask input;
    Mask dilated;
    Mask eroded;
};

class Morphology3x3Examples : public ::testing::TestWithParam<Case3x3> {};

TEST_P(Morphology3x3Examples, DilateAndErodeActOnInteriorCentresOnly) {
    const Case3x3 &c = GetParam();
    Mask d = c.input;
    ASSERT_EQ(BDilate(d.data(), static_cast<uint16_t>(c.h), static_cast<uint16_t>(c.w)), 0);
    EXPECT_EQ(d, c.dilated);
    Mask e = c.input;
    ASSERT_EQ(BErode(e.data(), static_cast<uint16_t>(c.h), static_cast<uint16_t>(c.w)), 0);
    EXPECT_EQ(e, c.eroded);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, Morphology3x3Examples,
    ::testing::Values(
        // The centre keeps its own value; its neighbours become 255.
        Case3x3{"lone_interior_sample",
                4,
                4,
                {0, 0, 0, 0, 0, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
                {255, 255, 255, 0, 255, 7, 255, 0, 255, 255, 255, 0, 0, 0, 0, 0},
                {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        // Border samples are never centres and never eroded.
        Case3x3{
            "border_only", 3, 3, {9, 0, 0, 0, 0, 0, 0, 0, 4}, {9, 0, 0, 0, 0, 0, 0, 0, 4}, {9, 0, 0, 0, 0, 0, 0, 0, 4}},
        Case3x3{"all_foreground", 3, 4, Mask(12, 255), Mask(12, 255), Mask(12, 255)},
        // A zero in the interior clears its interior neighbours only.
        Case3x3{"one_interior_hole",
                4,
                5,
                {1, 1, 1, 1, 1, 1, 1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1},
                {255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255},
                {1, 1, 1, 1, 1, 1, 0, 0, 0, 1, 1, 0, 0, 0, 1, 1, 1, 1, 1, 1}},
        Case3x3{"too_small_for_an_interior",
                2,
                5,
                {0, 3, 0, 3, 0, 3, 0, 3, 0, 3},
                {0, 3, 0, 3, 0, 3, 0, 3, 0, 3},
                {0, 3, 0, 3, 0, 3, 0, 3, 0, 3}}),
    [](const auto &test) { return std::string(test.param.name); });

TEST(Morphology3x3Random, MatchesTheCentreByCentreForm) {
    std::mt19937 rng(43);
    std::uniform_int_distribution<int> value(1, 255);
    for (int h : {1, 2, 3, 7, 40}) {
        for (int w : {1, 3, 4, 33, 70}) {
            for (double density : {0.1, 0.5, 0.9}) {
                SCOPED_TRACE(std::to_string(h) + "x" + std::to_string(w) + " density " + std::to_string(density));
                std::bernoulli_distribution on(density);
                Mask m(h * w);
                for (auto &v : m) {
                    v = on(rng) ? static_cast<uint8_t>(value(rng)) : 0;
                }
                Mask d = m;
                ASSERT_EQ(BDilate(d.data(), static_cast<uint16_t>(h), static_cast<uint16_t>(w)), 0);
                EXPECT_EQ(d, reference_dilate(m, h, w));
                Mask e = m;
                ASSERT_EQ(BErode(e.data(), static_cast<uint16_t>(h), static_cast<uint16_t>(w)), 0);
                EXPECT_EQ(e, reference_erode(m, h, w));
            }
        }
    }
}

TEST(Morphology3x3Arguments, NullMaskReturnsTwo) {
    EXPECT_EQ(BDilate(nullptr, 8, 8), 2);
    EXPECT_EQ(BErode(nullptr, 8, 8), 2);
}

TEST(Morphology3x3Failure, FailedCopyLeavesTheMaskUnchanged) {
    if (!failing_malloc::available()) {
        GTEST_SKIP() << "allocation failures cannot be injected under the sanitizers";
    }
    Mask original(10 * 10, 0);
    original[44] = 255;
    original[55] = 0;
    Mask m(original.size());
    for (auto routine : {BDilate, BErode}) {
        failing_malloc::sweep(
            [&] {
                m = original;  // same size: no allocation
                return routine(m.data(), 10, 10);
            },
            [&](int32_t result, const failing_malloc::Outcome &outcome) {
                EXPECT_EQ(outcome.outstanding, 0u);
                EXPECT_EQ(result, outcome.failed ? 1 : 0);
                if (outcome.failed) {
                    EXPECT_EQ(m, original);
                }
            });
    }
}

}  // namespace
