// Box sums along strided vectors.
#include "fpdevice/imaging_localsums.h"
#include "localsums_reference.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

namespace ref = localsums_reference;

struct VectorCase {
    const char *name;
    std::vector<int> input;
    uint8_t window;
    std::vector<int> expected;
};

class VectorSumExamples : public ::testing::TestWithParam<VectorCase> {};

// Small non-negative values: every member gives the same sums.
TEST_P(VectorSumExamples, EveryMemberSumsTheWindowCutAtBothEnds) {
    const VectorCase &c = GetParam();
    const int16_t n = static_cast<int16_t>(c.input.size());
    std::vector<uint8_t> in8(c.input.begin(), c.input.end());
    std::vector<uint16_t> in16(c.input.begin(), c.input.end());
    std::vector<int32_t> in32(c.input.begin(), c.input.end());
    std::vector<float> inF(c.input.begin(), c.input.end());

    std::vector<uint8_t> out8(n);
    fvs_VectorLocalSumChar2Char(out8.data(), in8.data(), 1, 1, n, c.window);
    EXPECT_EQ(std::vector<int>(out8.begin(), out8.end()), c.expected) << "Char2Char";

    std::vector<uint16_t> out16(n);
    fvs_VectorLocalSumChar2Uint16(out16.data(), in8.data(), 1, 1, n, c.window);
    EXPECT_EQ(std::vector<int>(out16.begin(), out16.end()), c.expected) << "Char2Uint16";

    std::fill(out16.begin(), out16.end(), 0);
    fvs_VectorLocalSumUint162Uint16(out16.data(), in16.data(), 1, 1, n, c.window);
    EXPECT_EQ(std::vector<int>(out16.begin(), out16.end()), c.expected) << "Uint162Uint16";

    std::vector<int32_t> out32(n);
    fvs_VectorLocalSumInt2Int(out32.data(), in32.data(), 1, 1, n, c.window);
    EXPECT_EQ(std::vector<int>(out32.begin(), out32.end()), c.expected) << "Int2Int";

    std::vector<float> outF(n);
    fvs_VectorLocalSumFloat2Float(outF.data(), inF.data(), 1, 1, n, c.window);
    EXPECT_EQ(std::vector<int>(outF.begin(), outF.end()), c.expected) << "Float2Float";
}

INSTANTIATE_TEST_SUITE_P(
    Examples, VectorSumExamples,
    ::testing::Values(
        VectorCase{"window_0_copies", {4, 9, 1, 7}, 0, {4, 9, 1, 7}},
        VectorCase{"window_1_copies", {4, 9, 1, 7}, 1, {4, 9, 1, 7}},
        VectorCase{"window_3", {1, 2, 3, 4, 5}, 3, {3, 6, 9, 12, 9}},
        // Sizes 4 and 5 both give radius 2: five samples.
        VectorCase{"window_4_covers_five", {1, 1, 1, 1, 1}, 4, {3, 4, 5, 4, 3}},
        VectorCase{"window_5", {1, 1, 1, 1, 1}, 5, {3, 4, 5, 4, 3}},
        VectorCase{"window_5_longer", {1, 2, 3, 4, 5, 6, 7}, 5, {6, 10, 15, 20, 25, 22, 18}},
        // Shorter than the window: each output is still its cut window.
        VectorCase{"shorter_than_window", {1, 2, 3}, 7, {6, 6, 6}},
        VectorCase{"one_short", {1, 2, 3, 4}, 5, {6, 10, 10, 9}},
        VectorCase{"single_sample_wide_window", {42}, 255, {42}},
        VectorCase{"window_255_on_ten", {1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, 255, {10, 10, 10, 10, 10, 10, 10, 10, 10, 10}}),
    [](const auto &test) { return std::string(test.param.name); });

TEST(VectorSumWrap, SumsWrapAtTheWidthOfTheOutputType) {
    const std::vector<uint8_t> in8 = {255, 255, 255};
    std::vector<uint8_t> out8(3);
    fvs_VectorLocalSumChar2Char(out8.data(), in8.data(), 1, 1, 3, 3);
    EXPECT_EQ(out8, (std::vector<uint8_t>{254, 253, 254}));  // 510, 765, 510 mod 256

    std::vector<uint16_t> out16(3);
    fvs_VectorLocalSumChar2Uint16(out16.data(), in8.data(), 1, 1, 3, 3);
    EXPECT_EQ(out16, (std::vector<uint16_t>{510, 765, 510}));

    const std::vector<uint16_t> big16 = {40000, 40000, 40000};
    fvs_VectorLocalSumUint162Uint16(out16.data(), big16.data(), 1, 1, 3, 3);
    EXPECT_EQ(out16, (std::vector<uint16_t>{14464, 54464, 14464}));  // mod 65536

    const std::vector<int32_t> big32 = {2000000000, 2000000000, -5};
    std::vector<int32_t> out32(3);
    fvs_VectorLocalSumInt2Int(out32.data(), big32.data(), 1, 1, 3, 3);
    EXPECT_EQ(out32, (std::vector<int32_t>{-294967296, -294967301, 1999999995}));
}

TEST(VectorSumFloat, CarriesTheRoundingOfTheRunningSum) {
    // 2^24 + 1 rounds back to 2^24, so the running sum loses both ones that
    // a direct sum would keep: true sums 2^24 + 1, 2^24 + 2, 2, 1.
    const std::vector<float> in = {16777216.0f, 1.0f, 1.0f, 0.0f};
    std::vector<float> out(4);
    fvs_VectorLocalSumFloat2Float(out.data(), in.data(), 1, 1, 4, 3);
    EXPECT_EQ(out, (std::vector<float>{16777216.0f, 16777216.0f, 0.0f, -1.0f}));
}

TEST(VectorSumStrides, ReadsAndWritesEveryStrideThElement) {
    // A 3 x 4 plane: column 1 read with stride 4, written with stride 2.
    const std::vector<uint8_t> plane = {0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0};
    std::vector<uint16_t> out(6, 7);
    fvs_VectorLocalSumChar2Uint16(out.data(), plane.data() + 1, 2, 4, 3, 3);
    EXPECT_EQ(out, (std::vector<uint16_t>{3, 7, 6, 7, 5, 7}));
}

TEST(VectorSumStrides, NegativeStridesWalkBackwards) {
    const std::vector<int32_t> in = {1, 2, 3, 4};
    std::vector<int32_t> out(4);
    fvs_VectorLocalSumInt2Int(out.data() + 3, in.data() + 3, -1, -1, 4, 3);
    EXPECT_EQ(out, (std::vector<int32_t>{3, 6, 9, 7}));
}

TEST(VectorSumRandom, MatchesTheRunningSumWrittenOutLiterally) {
    std::mt19937 rng(7);
    for (int n : {1, 2, 5, 17, 300}) {
        for (int window : {0, 1, 2, 3, 8, 9, 33}) {
            if (n < 2 * (window >> 1) + 1) {
                continue;
            }
            SCOPED_TRACE("n " + std::to_string(n) + " window " + std::to_string(window));
            const auto inF = ref::random_plane<float>(rng, n);
            std::vector<float> expF(n), outF(n);
            ref::running_sum(expF.data(), 1, inF.data(), 1, n, window);
            fvs_VectorLocalSumFloat2Float(outF.data(), inF.data(), 1, 1, static_cast<int16_t>(n),
                                          static_cast<uint8_t>(window));
            EXPECT_EQ(outF, expF);

            const auto in32 = ref::random_plane<int32_t>(rng, n);
            std::vector<int32_t> exp32(n), out32(n);
            ref::running_sum(exp32.data(), 1, in32.data(), 1, n, window);
            fvs_VectorLocalSumInt2Int(out32.data(), in32.data(), 1, 1, static_cast<int16_t>(n),
                                      static_cast<uint8_t>(window));
            EXPECT_EQ(out32, exp32);
        }
    }
}

// The 8- and 16-bit members up to and beyond 1024 samples, the widest
// window included; they wrap at the width of their output.
TEST(VectorSumRandom, NarrowSumsMatchTheRunningSumWrittenOutLiterally) {
    std::mt19937 rng(11);
    for (int n : {40, 300, 1024, 1025}) {
        for (int window : {3, 9, 255}) {
            if (n < 2 * (window >> 1) + 1) {
                continue;
            }
            SCOPED_TRACE("n " + std::to_string(n) + " window " + std::to_string(window));
            const auto len = static_cast<int16_t>(n);
            const auto win = static_cast<uint8_t>(window);
            const auto in8 = ref::random_plane<uint8_t>(rng, n);
            const auto in16 = ref::random_plane<uint16_t>(rng, n);
            std::vector<uint8_t> exp8(n), out8(n);
            ref::running_sum(exp8.data(), 1, in8.data(), 1, n, window);
            fvs_VectorLocalSumChar2Char(out8.data(), in8.data(), 1, 1, len, win);
            EXPECT_EQ(out8, exp8);
            std::vector<uint16_t> exp16(n), out16(n);
            ref::running_sum(exp16.data(), 1, in8.data(), 1, n, window);
            fvs_VectorLocalSumChar2Uint16(out16.data(), in8.data(), 1, 1, len, win);
            EXPECT_EQ(out16, exp16);
            ref::running_sum(exp16.data(), 1, in16.data(), 1, n, window);
            fvs_VectorLocalSumUint162Uint16(out16.data(), in16.data(), 1, 1, len, win);
            EXPECT_EQ(out16, exp16);
        }
    }
}

TEST(VectorSumRandom, ShortVectorsGiveTheirCutWindows) {
    std::mt19937 rng(11);
    for (int n = 1; n <= 12; ++n) {
        for (int window : {5, 9, 24, 255}) {
            SCOPED_TRACE("n " + std::to_string(n) + " window " + std::to_string(window));
            const auto in = ref::random_plane<uint16_t>(rng, n);
            const auto expected = ref::direct_sum<uint16_t>(in, 1, n, window, 0);
            std::vector<uint16_t> out(n);
            fvs_VectorLocalSumUint162Uint16(out.data(), in.data(), 1, 1, static_cast<int16_t>(n),
                                            static_cast<uint8_t>(window));
            EXPECT_EQ(out, expected);
        }
    }
}

TEST(VectorSumArguments, NullVectorsAndEmptyLengthsDoNothing) {
    std::vector<uint8_t> in(4, 1);
    std::vector<uint8_t> out(4, 9);
    fvs_VectorLocalSumChar2Char(nullptr, in.data(), 1, 1, 4, 3);
    fvs_VectorLocalSumChar2Char(out.data(), nullptr, 1, 1, 4, 3);
    fvs_VectorLocalSumChar2Uint16(nullptr, nullptr, 1, 1, 4, 3);
    fvs_VectorLocalSumUint162Uint16(nullptr, nullptr, 1, 1, 4, 3);
    fvs_VectorLocalSumInt2Int(nullptr, nullptr, 1, 1, 4, 3);
    fvs_VectorLocalSumFloat2Float(nullptr, nullptr, 1, 1, 4, 3);
    fvs_VectorLocalSumChar2Char(out.data(), in.data(), 1, 1, 0, 3);
    fvs_VectorLocalSumChar2Char(out.data(), in.data(), 1, 1, -4, 3);
    EXPECT_EQ(out, std::vector<uint8_t>(4, 9));
}

}  // namespace
