// Orientation change between neighbouring blocks of an orientation field.
#include "fpdevice/imaging_orientation.h"
#include "imaging/local_sums_impl.h"
#include "imaging/orientation_internal.h"
#include "imaging/scratch.h"
#include "imaging/simd_dispatch.h"

#include <cmath>
#include <cstddef>
#include <cstdlib>

#include <immintrin.h>

namespace img = fpdevice::imaging;

namespace {

// The change at blocks x ... end - 1 of one row: the root of the summed
// squares of the differences to the right and below, in double precision,
// truncated; the last row and column stay 0.
void ChangesOneByOne(const int16_t *here, const int16_t *below, size_t x, size_t end, uint16_t *change) {
    for (; x < end; ++x) {
        const int d1 = img::angle_diff_abs(here[x], here[x + 1]);
        const int d2 = img::angle_diff_abs(here[x], below[x]);
        change[x] = static_cast<uint16_t>(std::sqrt(static_cast<double>(d1 * d1 + d2 * d2)));
    }
}

// angle_diff_abs in 16-bit lanes. Folded, a difference lies in
// -32588 ... 90, so its magnitude is exact in 16 bits and its square sum
// (at most 2 * 32588^2) in 32.
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i DiffAbs16(__m256i a, __m256i b) {
    const __m256i d = _mm256_sub_epi16(a, b);
    const __m256i halfTurn = _mm256_set1_epi16(180);
    const __m256i low = _mm256_cmpgt_epi16(_mm256_set1_epi16(-89), d);
    const __m256i high = _mm256_cmpgt_epi16(d, _mm256_set1_epi16(90));
    __m256i folded = _mm256_blendv_epi8(d, _mm256_add_epi16(d, halfTurn), low);
    folded = _mm256_blendv_epi8(folded, _mm256_sub_epi16(halfTurn, d), high);
    return _mm256_abs_epi16(folded);
}

// Four square sums to their truncated roots: the same correctly rounded
// root as the scalar one, lane by lane.
[[gnu::target("avx2"), gnu::always_inline]] inline __m128i Roots4(__m128i sums) {
    return _mm256_cvttpd_epi32(_mm256_sqrt_pd(_mm256_cvtepi32_pd(sums)));
}

// Blocks x ... x + 15. The 16-bit interleaves work within each 16-byte half,
// so the low one holds blocks 0-3 and 8-11, the high one 4-7 and 12-15.
[[gnu::target("avx2"), gnu::always_inline]] inline void Changes16(const int16_t *here, const int16_t *below, size_t x,
                                                                  uint16_t *change) {
    const __m256i h = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(here + x));
    const __m256i right = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(here + x + 1));
    const __m256i down = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(below + x));
    const __m256i d1 = DiffAbs16(h, right);
    const __m256i d2 = DiffAbs16(h, down);
    const __m256i low = _mm256_unpacklo_epi16(d1, d2);
    const __m256i high = _mm256_unpackhi_epi16(d1, d2);
    const __m256i lowSums = _mm256_madd_epi16(low, low);
    const __m256i highSums = _mm256_madd_epi16(high, high);
    const __m128i first =
        _mm_packus_epi32(Roots4(_mm256_castsi256_si128(lowSums)), Roots4(_mm256_castsi256_si128(highSums)));
    const __m128i second =
        _mm_packus_epi32(Roots4(_mm256_extracti128_si256(lowSums, 1)), Roots4(_mm256_extracti128_si256(highSums, 1)));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(change + x), first);
    _mm_storeu_si128(reinterpret_cast<__m128i *>(change + x + 8), second);
}

// A row of 16 and more changes ends with a block that overlaps the one
// before: it writes the same values again.
[[gnu::target("avx2")]] void ChangesAvx2(const int16_t *here, const int16_t *below, size_t end, uint16_t *change) {
    if (end < 16) {
        ChangesOneByOne(here, below, 0, end, change);
        return;
    }
    size_t x = 0;
    for (; x + 16 <= end; x += 16) {
        Changes16(here, below, x, change);
    }
    if (x < end) {
        Changes16(here, below, end - 16, change);
    }
}

}  // namespace

extern "C" {

FPDEVICE_API int16_t AngleDiffAbs(int16_t a, int16_t b) { return img::angle_diff_abs(a, b); }

FPDEVICE_API int32_t FingerprintOrientGrad(BlockField *result, const BlockField *source) {
    if (result == nullptr || source == nullptr || source->data == nullptr) {
        return 2;
    }
    const uint16_t blockSize = source->blockSize;
    const uint16_t h = source->rows;
    const uint16_t w = source->cols;
    const size_t rows = h;
    const size_t cols = w;
    const size_t count = rows * cols;
    // At least one element, so that an empty field still gets a plane.
    const size_t planeSize = count > 0 ? count : 1;
    img::Scratch<uint16_t> change = img::scratch_zeroed<uint16_t>(planeSize);
    img::Scratch<uint16_t> scratch = img::scratch_alloc<uint16_t>(planeSize);
    // The source is read in full before the result's old plane goes, so
    // result and source may be the same record.
    auto finish = [&](uint16_t *plane) {
        free(result->data);
        result->blockSize = blockSize;
        result->rows = h;
        result->cols = w;
        result->data = reinterpret_cast<int16_t *>(plane);
    };
    if (change == nullptr || scratch == nullptr) {
        finish(nullptr);
        return 1;
    }
    const int16_t *theta = source->data;
    const bool avx2 = img::ChosenSimdPath() == img::SimdPath::kAvx2;
    for (size_t y = 0; y + 1 < rows && cols > 0; ++y) {
        const int16_t *here = theta + y * cols;
        uint16_t *row = change.get() + y * cols;
        if (avx2) {
            ChangesAvx2(here, here + cols, cols - 1, row);
        } else {
            ChangesOneByOne(here, here + cols, 0, cols - 1, row);
        }
    }
    // Two 3 x 3 box sums make a 5 x 5 kernel of weights 1 2 3 2 1 per
    // direction (81 in all, cut at the border); the 16-bit sums do not wrap
    // for orientations of -90 ... 90 (at most 81 * 127).
    if (img::image_window_sum(scratch.get(), change.get(), h, w, 3, 3) != 0 ||
        img::image_window_sum(change.get(), scratch.get(), h, w, 3, 3) != 0) {
        finish(nullptr);
        return 1;
    }
    for (size_t i = 0; i < count; ++i) {
        // The weighted mean rounded half up, signed 32-bit division.
        change[i] = static_cast<uint16_t>((static_cast<int32_t>(change[i]) + 41) / 81);
    }
    finish(change.release());
    return 0;
}

}  // extern "C"
