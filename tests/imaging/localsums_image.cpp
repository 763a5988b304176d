// Box sums over images, all five members.
#include "failing_malloc.h"
#include "fpdevice/imaging_localsums.h"
#include "localsums_reference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

namespace ref = localsums_reference;

template <typename In, typename Out>
struct Member {
    using InType = In;
    using OutType = Out;
};

int32_t image_sum(uint8_t *out, const uint8_t *in, uint16_t h, uint16_t w, uint8_t kx, uint8_t ky) {
    return fvs_ImageLocalSumChar2Char(out, in, h, w, kx, ky);
}
int32_t image_sum(uint16_t *out, const uint8_t *in, uint16_t h, uint16_t w, uint8_t kx, uint8_t ky) {
    return fvs_ImageLocalSumChar2Uint16(out, in, h, w, kx, ky);
}
int32_t image_sum(uint16_t *out, const uint16_t *in, uint16_t h, uint16_t w, uint8_t kx, uint8_t ky) {
    return fvs_ImageLocalSumUint162Uint16(out, in, h, w, kx, ky);
}
int32_t image_sum(int32_t *out, const int32_t *in, uint16_t h, uint16_t w, uint8_t kx, uint8_t ky) {
    return fvs_ImageLocalSumInt2Int(out, in, h, w, kx, ky);
}
int32_t image_sum(float *out, const float *in, uint16_t h, uint16_t w, uint8_t kx, uint8_t ky) {
    return fvs_ImageLocalSumFloat2Float(out, in, h, w, kx, ky);
}

struct Shape {
    int h;
    int w;
    int kx;
    int ky;
};

// Sides at, just above and far above their windows; even and odd sizes.
const Shape kShapes[] = {{1, 1, 0, 0},   {7, 5, 3, 3},    {5, 7, 5, 5},     {9, 9, 4, 6},   {16, 23, 9, 1},
                         {23, 16, 1, 9}, {31, 40, 7, 11}, {64, 48, 17, 17}, {40, 3, 2, 30}, {120, 130, 33, 9}};

template <typename M>
class ImageSumMembers : public ::testing::Test {};

using Members = ::testing::Types<Member<uint8_t, uint8_t>, Member<uint8_t, uint16_t>, Member<uint16_t, uint16_t>,
                                 Member<int32_t, int32_t>, Member<float, float>>;
TYPED_TEST_SUITE(ImageSumMembers, Members);

TYPED_TEST(ImageSumMembers, RowByRowColumnPassEqualsColumnByColumnReference) {
    using In = typename TypeParam::InType;
    using Out = typename TypeParam::OutType;
    std::mt19937 rng(3);
    for (const Shape &s : kShapes) {
        if (s.w < 2 * (s.kx >> 1) + 1 || s.h < 2 * (s.ky >> 1) + 1) {
            continue;  // the reference needs windows inside the data
        }
        SCOPED_TRACE(std::to_string(s.h) + "x" + std::to_string(s.w) + " windows " + std::to_string(s.kx) + "," +
                     std::to_string(s.ky));
        const auto in = ref::random_plane<In>(rng, static_cast<size_t>(s.h) * s.w);
        const auto expected = ref::image_sum<Out>(in, s.h, s.w, s.kx, s.ky);
        std::vector<Out> out(in.size());
        ASSERT_EQ(image_sum(out.data(), in.data(), static_cast<uint16_t>(s.h), static_cast<uint16_t>(s.w),
                            static_cast<uint8_t>(s.kx), static_cast<uint8_t>(s.ky)),
                  0);
        // Bit for bit, floats included.
        EXPECT_EQ(0, memcmp(out.data(), expected.data(), out.size() * sizeof(Out)));
    }
}

TYPED_TEST(ImageSumMembers, EachOutputIsTheSumOverItsCutWindow) {
    using In = typename TypeParam::InType;
    using Out = typename TypeParam::OutType;
    std::mt19937 rng(5);
    // Small integer samples keep float sums exact; the shapes include sides
    // shorter than their windows.
    std::uniform_int_distribution<int> sample(0, 9);
    const Shape shapes[] = {{1, 1, 9, 9},    {3, 2, 7, 7}, {2, 12, 5, 255},
                            {12, 2, 255, 3}, {9, 9, 4, 6}, {6, 30, 17, 17}};
    for (const Shape &s : shapes) {
        SCOPED_TRACE(std::to_string(s.h) + "x" + std::to_string(s.w) + " windows " + std::to_string(s.kx) + "," +
                     std::to_string(s.ky));
        std::vector<In> in(static_cast<size_t>(s.h) * s.w);
        for (auto &v : in) {
            v = static_cast<In>(sample(rng));
        }
        std::vector<Out> out(in.size());
        ASSERT_EQ(image_sum(out.data(), in.data(), static_cast<uint16_t>(s.h), static_cast<uint16_t>(s.w),
                            static_cast<uint8_t>(s.kx), static_cast<uint8_t>(s.ky)),
                  0);
        EXPECT_EQ(out, (ref::direct_sum<Out>(in, s.h, s.w, s.kx, s.ky)));
    }
}

TYPED_TEST(ImageSumMembers, NullPlanesReturnOne) {
    using In = typename TypeParam::InType;
    using Out = typename TypeParam::OutType;
    std::vector<In> in(4, 1);
    std::vector<Out> out(4, 0);
    EXPECT_EQ(image_sum(static_cast<Out *>(nullptr), in.data(), 2, 2, 3, 3), 1);
    EXPECT_EQ(image_sum(out.data(), static_cast<const In *>(nullptr), 2, 2, 3, 3), 1);
    EXPECT_EQ(out, std::vector<Out>(4, 0));
}

TYPED_TEST(ImageSumMembers, EmptyPlaneSucceedsWithoutWriting) {
    using In = typename TypeParam::InType;
    using Out = typename TypeParam::OutType;
    std::vector<In> in(4, 1);
    std::vector<Out> out(4, 0);
    EXPECT_EQ(image_sum(out.data(), in.data(), 0, 2, 3, 3), 0);
    EXPECT_EQ(image_sum(out.data(), in.data(), 2, 0, 3, 3), 0);
    EXPECT_EQ(out, std::vector<Out>(4, 0));
}

// The members whose input and output share a type may sum in place.
template <typename T>
class ImageSumInPlace : public ::testing::Test {};
using SameTypeMembers = ::testing::Types<uint8_t, uint16_t, int32_t, float>;
TYPED_TEST_SUITE(ImageSumInPlace, SameTypeMembers);

TYPED_TEST(ImageSumInPlace, SameBufferGivesTheResultOfSeparateBuffers) {
    using T = TypeParam;
    std::mt19937 rng(9);
    const Shape shapes[] = {{31, 40, 7, 11}, {64, 48, 17, 17}, {5, 9, 255, 2}, {50, 1, 3, 9}, {1, 50, 9, 3}};
    for (const Shape &s : shapes) {
        SCOPED_TRACE(std::to_string(s.h) + "x" + std::to_string(s.w));
        const auto in = ref::random_plane<T>(rng, static_cast<size_t>(s.h) * s.w);
        std::vector<T> separate(in.size());
        ASSERT_EQ(image_sum(separate.data(), in.data(), static_cast<uint16_t>(s.h), static_cast<uint16_t>(s.w),
                            static_cast<uint8_t>(s.kx), static_cast<uint8_t>(s.ky)),
                  0);
        std::vector<T> same = in;
        ASSERT_EQ(image_sum(same.data(), same.data(), static_cast<uint16_t>(s.h), static_cast<uint16_t>(s.w),
                            static_cast<uint8_t>(s.kx), static_cast<uint8_t>(s.ky)),
                  0);
        EXPECT_EQ(0, memcmp(same.data(), separate.data(), same.size() * sizeof(T)));
    }
}

TEST(ImageSumExamples, SeventeenSquareWindowOfOnesWrapsTo33In8Bits) {
    const int side = 40;
    std::vector<uint8_t> in(side * side, 1), out(side * side);
    ASSERT_EQ(fvs_ImageLocalSumChar2Char(out.data(), in.data(), side, side, 17, 17), 0);
    EXPECT_EQ(out[20 * side + 20], 33);  // 289 mod 256
    EXPECT_EQ(out[0], 81);               // 9 x 9 in the corner
    EXPECT_EQ(out[20 * side], 153);      // 17 x 9 at the left edge

    std::vector<uint16_t> wide(side * side);
    ASSERT_EQ(fvs_ImageLocalSumChar2Uint16(wide.data(), in.data(), side, side, 17, 17), 0);
    EXPECT_EQ(wide[20 * side + 20], 289);
}

TEST(ImageSumExamples, WindowsOfZeroAndOneCopyThePlane) {
    const std::vector<int32_t> in = {5, -7, 2147483647, 0, 12, -2147483647 - 1};
    for (uint8_t window : {0, 1}) {
        std::vector<int32_t> out(6);
        ASSERT_EQ(fvs_ImageLocalSumInt2Int(out.data(), in.data(), 2, 3, window, window), 0);
        EXPECT_EQ(out, in);
    }
}

TEST(ImageSumFailure, FailedAllocationLeavesTheOutputUntouched) {
    if (!failing_malloc::available()) {
        GTEST_SKIP() << "allocation failures cannot be injected under the sanitizers";
    }
    std::vector<float> in(12 * 10, 1.0f);
    std::vector<float> out(in.size());
    failing_malloc::sweep(
        [&] {
            std::fill(out.begin(), out.end(), -1.0f);
            return fvs_ImageLocalSumFloat2Float(out.data(), in.data(), 12, 10, 3, 3);
        },
        [&](int32_t result, const failing_malloc::Outcome &outcome) {
            EXPECT_EQ(outcome.outstanding, 0u);
            if (outcome.failed) {
                EXPECT_EQ(result, 1);
                EXPECT_EQ(out, std::vector<float>(in.size(), -1.0f));
            } else {
                EXPECT_EQ(result, 0);
                EXPECT_EQ(out[5 * 10 + 5], 9.0f);
            }
        });
}

TEST(ImageSumFailure, Char2Uint16LeavesItsRowSumsWhenScratchFails) {
    if (!failing_malloc::available()) {
        GTEST_SKIP() << "allocation failures cannot be injected under the sanitizers";
    }
    const std::vector<uint8_t> in = {1, 2, 3, 4, 5, 6};
    std::vector<uint16_t> out(6, 0);
    failing_malloc::arm(0);
    const int32_t result = fvs_ImageLocalSumChar2Uint16(out.data(), in.data(), 2, 3, 3, 3);
    const failing_malloc::Outcome outcome = failing_malloc::disarm();
    ASSERT_TRUE(outcome.failed);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(out, (std::vector<uint16_t>{3, 6, 5, 9, 15, 11}));
}

}  // namespace
