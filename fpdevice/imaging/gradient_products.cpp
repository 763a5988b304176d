// Window sums of the Sobel gradient products of a gray image, the planes the
// orientation field is taken from.
//
// P = 2 Gx Gy and Q = Gy^2 - Gx^2 of the 3 x 3 Sobel gradients at every
// interior sample, 0 on the border. |Gx|, |Gy| <= 1020, so the gradients fit
// 16 bits and both products fit 32 bits; the vector and the scalar forms give
// the same integers. The window sums wrap in 32 bits, so their order does not
// change a bit of them: the scalar path sums the whole product planes as the
// other box sums do, the vector paths sum columns and rows differently but
// reach the same integers.
#include "imaging/local_sums_impl.h"
#include "imaging/orientation_internal.h"
#include "imaging/scratch.h"
#include "imaging/simd_dispatch.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include <immintrin.h>

namespace fpdevice::imaging {

namespace {

struct SobelRow {
    const uint8_t *up;
    const uint8_t *mid;
    const uint8_t *down;

    int32_t Gx(size_t x) const {
        return 2 * (mid[x + 1] - mid[x - 1]) + (up[x + 1] - up[x - 1]) + (down[x + 1] - down[x - 1]);
    }
    int32_t Gy(size_t x) const { return 2 * (down[x] - up[x]) + (down[x - 1] - up[x - 1]) + (down[x + 1] - up[x + 1]); }
};

// Samples x ... end - 1 of one row, one at a time.
void ProductsOneByOne(const SobelRow &r, size_t x, size_t end, uint32_t *p, uint32_t *q) {
    for (; x < end; ++x) {
        const int32_t gx = r.Gx(x);
        const int32_t gy = r.Gy(x);
        p[x] = static_cast<uint32_t>(2 * gx * gy);
        q[x] = static_cast<uint32_t>(gy * gy - gx * gx);
    }
}

// The products of an image row, 0 in its first and last column.
void ProductRowScalar(const SobelRow &r, size_t w, uint32_t *p, uint32_t *q) {
    p[0] = q[0] = 0;
    p[w - 1] = q[w - 1] = 0;
    ProductsOneByOne(r, 1, w - 1, p, q);
}

// Eight bytes from p widened to 16-bit lanes.
inline __m128i Widen8(const uint8_t *p) {
    return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(p)), _mm_setzero_si128());
}

// Pairs (gx, gy) against (gy, gx) give gx gy + gy gx = P; pairs (gy, gx)
// against (gy, -gx) give gy gy - gx gx = Q. madd adds the two products of a
// pair exactly (neither reaches 2^31).
inline size_t ProductsSse2(const SobelRow &r, size_t x, size_t end, uint32_t *p, uint32_t *q) {
    for (; x + 8 <= end; x += 8) {
        const __m128i u0 = Widen8(r.up + x - 1), u1 = Widen8(r.up + x), u2 = Widen8(r.up + x + 1);
        const __m128i m0 = Widen8(r.mid + x - 1), m2 = Widen8(r.mid + x + 1);
        const __m128i d0 = Widen8(r.down + x - 1), d1 = Widen8(r.down + x), d2 = Widen8(r.down + x + 1);
        const __m128i m = _mm_sub_epi16(m2, m0);
        const __m128i gx =
            _mm_add_epi16(_mm_add_epi16(_mm_add_epi16(m, m), _mm_sub_epi16(u2, u0)), _mm_sub_epi16(d2, d0));
        const __m128i c = _mm_sub_epi16(d1, u1);
        const __m128i gy =
            _mm_add_epi16(_mm_add_epi16(_mm_add_epi16(c, c), _mm_sub_epi16(d0, u0)), _mm_sub_epi16(d2, u2));
        const __m128i ngx = _mm_sub_epi16(_mm_setzero_si128(), gx);
        const __m128i xyLow = _mm_unpacklo_epi16(gx, gy), xyHigh = _mm_unpackhi_epi16(gx, gy);
        const __m128i yxLow = _mm_unpacklo_epi16(gy, gx), yxHigh = _mm_unpackhi_epi16(gy, gx);
        const __m128i ynLow = _mm_unpacklo_epi16(gy, ngx), ynHigh = _mm_unpackhi_epi16(gy, ngx);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(p + x), _mm_madd_epi16(xyLow, yxLow));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(p + x + 4), _mm_madd_epi16(xyHigh, yxHigh));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(q + x), _mm_madd_epi16(yxLow, ynLow));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(q + x + 4), _mm_madd_epi16(yxHigh, ynHigh));
    }
    return x;
}

void ProductRowSse2(const SobelRow &r, size_t w, uint32_t *p, uint32_t *q) {
    p[0] = q[0] = 0;
    p[w - 1] = q[w - 1] = 0;
    ProductsOneByOne(r, ProductsSse2(r, 1, w - 1, p, q), w - 1, p, q);
}

[[gnu::target("avx2"), gnu::always_inline]] inline __m256i Widen16(const uint8_t *p) {
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p)));
}

// The SSE2 products of samples x ... x + 15. The 16-bit interleaves work
// within each 16-byte half, so the low interleave holds samples 0-3 and 8-11,
// the high one 4-7 and 12-15; the half swaps put them back in order.
[[gnu::target("avx2"), gnu::always_inline]] inline void Products16(const SobelRow &r, size_t x, uint32_t *p,
                                                                   uint32_t *q) {
    const __m256i u0 = Widen16(r.up + x - 1), u1 = Widen16(r.up + x), u2 = Widen16(r.up + x + 1);
    const __m256i m0 = Widen16(r.mid + x - 1), m2 = Widen16(r.mid + x + 1);
    const __m256i d0 = Widen16(r.down + x - 1), d1 = Widen16(r.down + x), d2 = Widen16(r.down + x + 1);
    const __m256i m = _mm256_sub_epi16(m2, m0);
    const __m256i gx =
        _mm256_add_epi16(_mm256_add_epi16(_mm256_add_epi16(m, m), _mm256_sub_epi16(u2, u0)), _mm256_sub_epi16(d2, d0));
    const __m256i c = _mm256_sub_epi16(d1, u1);
    const __m256i gy =
        _mm256_add_epi16(_mm256_add_epi16(_mm256_add_epi16(c, c), _mm256_sub_epi16(d0, u0)), _mm256_sub_epi16(d2, u2));
    const __m256i ngx = _mm256_sub_epi16(_mm256_setzero_si256(), gx);
    const __m256i yxLow = _mm256_unpacklo_epi16(gy, gx), yxHigh = _mm256_unpackhi_epi16(gy, gx);
    const __m256i pLow = _mm256_madd_epi16(_mm256_unpacklo_epi16(gx, gy), yxLow);
    const __m256i pHigh = _mm256_madd_epi16(_mm256_unpackhi_epi16(gx, gy), yxHigh);
    const __m256i qLow = _mm256_madd_epi16(yxLow, _mm256_unpacklo_epi16(gy, ngx));
    const __m256i qHigh = _mm256_madd_epi16(yxHigh, _mm256_unpackhi_epi16(gy, ngx));
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(p + x), _mm256_permute2x128_si256(pLow, pHigh, 0x20));
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(p + x + 8), _mm256_permute2x128_si256(pLow, pHigh, 0x31));
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(q + x), _mm256_permute2x128_si256(qLow, qHigh, 0x20));
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(q + x + 8), _mm256_permute2x128_si256(qLow, qHigh, 0x31));
}

// A row of 17 and more products ends with a block that overlaps the one
// before: it writes the same values again. Shorter rows take the narrower
// forms.
[[gnu::target("avx2")]] void ProductRowAvx2(const SobelRow &r, size_t w, uint32_t *p, uint32_t *q) {
    p[0] = q[0] = 0;
    p[w - 1] = q[w - 1] = 0;
    const size_t end = w - 1;
    if (end < 17) {
        ProductsOneByOne(r, ProductsSse2(r, 1, end, p, q), end, p, q);
        return;
    }
    size_t x = 1;
    for (; x + 16 <= end; x += 16) {
        Products16(r, x, p, q);
    }
    if (x < end) {
        Products16(r, end - 16, p, q);
    }
}

// The column sums move down one row (sums += added - removed) and their
// running total along the row is stored as prefix[1 ...]: prefix[k] is the
// sum of columns 0 ... k - 1. All modulo 2^32.
void StepAndScanSse2(uint32_t *sums, const uint32_t *added, const uint32_t *removed, uint32_t *prefix, size_t span) {
    __m128i carry = _mm_setzero_si128();
    for (size_t x = 0; x < span; x += 4) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(sums + x));
        v = _mm_add_epi32(v, _mm_loadu_si128(reinterpret_cast<const __m128i *>(added + x)));
        v = _mm_sub_epi32(v, _mm_loadu_si128(reinterpret_cast<const __m128i *>(removed + x)));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(sums + x), v);
        v = _mm_add_epi32(v, _mm_slli_si128(v, 4));
        v = _mm_add_epi32(v, _mm_slli_si128(v, 8));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(prefix + x + 1), _mm_add_epi32(v, carry));
        carry = _mm_add_epi32(carry, _mm_shuffle_epi32(v, 0xFF));
    }
}

[[gnu::target("avx2")]] void StepAndScanAvx2(uint32_t *sums, const uint32_t *added, const uint32_t *removed,
                                             uint32_t *prefix, size_t span) {
    __m256i carry = _mm256_setzero_si256();
    const __m256i last = _mm256_set1_epi32(7);
    for (size_t x = 0; x < span; x += 8) {
        __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(sums + x));
        v = _mm256_add_epi32(v, _mm256_loadu_si256(reinterpret_cast<const __m256i *>(added + x)));
        v = _mm256_sub_epi32(v, _mm256_loadu_si256(reinterpret_cast<const __m256i *>(removed + x)));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(sums + x), v);
        // Prefix sums within each half, then the low half's total added to
        // the high half.
        v = _mm256_add_epi32(v, _mm256_slli_si256(v, 4));
        v = _mm256_add_epi32(v, _mm256_slli_si256(v, 8));
        const __m256i lowTotal = _mm256_shuffle_epi32(v, 0xFF);
        v = _mm256_add_epi32(v, _mm256_permute2x128_si256(lowTotal, lowTotal, 0x08));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(prefix + x + 1), _mm256_add_epi32(v, carry));
        carry = _mm256_add_epi32(carry, _mm256_permutevar8x32_epi32(v, last));
    }
}

// One output row: the window of columns x - r ... x + r, cut at the row's
// ends, as a difference of two prefix sums. prefix is 0 below its first
// entry and stays at the row's total beyond its last column.
inline void WindowsOneByOne(const uint32_t *prefix, size_t x, size_t w, size_t r, uint32_t *out) {
    const uint32_t *high = prefix + r + 1;
    const uint32_t *low = prefix - r;
    for (; x < w; ++x) {
        out[x] = high[x] - low[x];
    }
}

void WindowsSse2(const uint32_t *prefix, size_t w, size_t r, uint32_t *out) {
    size_t x = 0;
    for (; x + 4 <= w; x += 4) {
        const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i *>(prefix + x + r + 1));
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i *>(prefix + x - r));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + x), _mm_sub_epi32(high, low));
    }
    WindowsOneByOne(prefix, x, w, r, out);
}

[[gnu::target("avx2")]] void WindowsAvx2(const uint32_t *prefix, size_t w, size_t r, uint32_t *out) {
    size_t x = 0;
    for (; x + 8 <= w; x += 8) {
        const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(prefix + x + r + 1));
        const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(prefix + x - r));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(out + x), _mm256_sub_epi32(high, low));
    }
    WindowsOneByOne(prefix, x, w, r, out);
}

// The reference: product planes written whole, then summed in place by the
// library's box sums.
int32_t SumWholePlanes(const uint8_t *image, size_t h, size_t w, uint8_t window, uint32_t *p, uint32_t *q) {
    memset(p, 0, w * sizeof(uint32_t));
    memset(q, 0, w * sizeof(uint32_t));
    memset(p + (h - 1) * w, 0, w * sizeof(uint32_t));
    memset(q + (h - 1) * w, 0, w * sizeof(uint32_t));
    for (size_t y = 1; y + 1 < h; ++y) {
        const SobelRow r{image + (y - 1) * w, image + y * w, image + (y + 1) * w};
        ProductRowScalar(r, w, p + y * w, q + y * w);
    }
    const int height = static_cast<int>(h), width = static_cast<int>(w);
    return image_window_sum(p, p, height, width, window, window) != 0 ||
                   image_window_sum(q, q, height, width, window, window) != 0
               ? 1
               : 0;
}

// One pass: the products of each row go into a ring of window + 1 rows, the
// column sums take in the newest row and give up the one that left the
// window, and each output row is written once from the column sums. Rows
// outside the image count as products 0, which is what cuts the windows at
// the border.
int32_t SumInOnePass(const uint8_t *image, size_t h, size_t w, uint8_t window, uint32_t *p, uint32_t *q, bool avx2) {
    const size_t r = window >> 1;
    const size_t slots = 2 * r + 2;
    // Columns beyond the row hold 0, so the scan runs on to where the widest
    // window ends and the prefix sums stay at the row's total there.
    const size_t span = (w + r + 1 + 7) / 8 * 8;
    const size_t below = (r + 7) / 8 * 8;
    const size_t prefixSize = below + span + 8;
    const size_t perPlane = slots * span + span + prefixSize;
    const Scratch<uint32_t> scratch = scratch_zeroed<uint32_t>(2 * perPlane);
    if (scratch == nullptr) {
        return 1;
    }
    uint32_t *const ring[2] = {scratch.get(), scratch.get() + perPlane};
    uint32_t *const out[2] = {p, q};
    for (size_t i = 0; i < h + r; ++i) {
        uint32_t *added[2], *removed[2];
        for (int k = 0; k < 2; ++k) {
            added[k] = ring[k] + (i % slots) * span;
            // Row i - 2r - 1, or never written (0) at the start.
            removed[k] = ring[k] + ((i + 1) % slots) * span;
        }
        if (i >= 1 && i + 1 < h) {
            const SobelRow row{image + (i - 1) * w, image + i * w, image + (i + 1) * w};
            if (avx2) {
                ProductRowAvx2(row, w, added[0], added[1]);
            } else {
                ProductRowSse2(row, w, added[0], added[1]);
            }
        } else {
            memset(added[0], 0, w * sizeof(uint32_t));
            memset(added[1], 0, w * sizeof(uint32_t));
        }
        for (int k = 0; k < 2; ++k) {
            uint32_t *sums = ring[k] + slots * span;
            uint32_t *prefix = sums + span + below;
            if (avx2) {
                StepAndScanAvx2(sums, added[k], removed[k], prefix, span);
            } else {
                StepAndScanSse2(sums, added[k], removed[k], prefix, span);
            }
            if (i >= r) {
                uint32_t *row = out[k] + (i - r) * w;
                if (avx2) {
                    WindowsAvx2(prefix, w, r, row);
                } else {
                    WindowsSse2(prefix, w, r, row);
                }
            }
        }
    }
    return 0;
}

}  // namespace

int32_t GradientProductSums(const uint8_t *image, size_t height, size_t width, uint8_t window, int32_t *p, int32_t *q) {
    if (height == 0 || width == 0) {
        return 0;
    }
    // The sums wrap in 32 bits: summed as uint32_t, the same bits.
    uint32_t *pBits = reinterpret_cast<uint32_t *>(p);
    uint32_t *qBits = reinterpret_cast<uint32_t *>(q);
    const SimdPath path = ChosenSimdPath();
    if (path == SimdPath::kScalar) {
        return SumWholePlanes(image, height, width, window, pBits, qBits);
    }
    return SumInOnePass(image, height, width, window, pBits, qBits, path == SimdPath::kAvx2);
}

}  // namespace fpdevice::imaging
