// Box means: window sums divided by the nominal window area.
#include "fpdevice/imaging_localsums.h"
#include "imaging/local_sums_impl.h"

#include <cstddef>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace img = fpdevice::imaging;

namespace {

// The divisor is windowX * windowY, never the number of samples a window cut
// by the border (or widened by an even size) really holds, and the rounding
// term is (N + 1) >> 1, not N >> 1: both are what callers have always got.
struct Divisor {
    uint32_t n;
    uint32_t half;
    Divisor(uint8_t windowX, uint8_t windowY) : n(static_cast<uint16_t>(windowX * windowY)), half((n + 1) >> 1) {}
};

using img::F32x4;
using img::I32x4;
using img::load_vector;
using img::store_vector;
using img::U16x8;
using img::U8x16;

// (sum + half) / n for the 8-bit mean, saturated at 255: a window of even
// size sums one sample more per side than n counts, and a 1 x 1 window rounds
// 255 up to 256, so bright areas can give quotients above 255. The quotient
// is taken in single precision: the dividend is below 2^24 (65025 samples of
// 255 plus half), so it converts exactly, and a quotient below 256 is off by
// at most half a unit in the last place, 2^-17, less than the 1 / n by which
// a fraction stays clear of the next integer; truncating gives the integer
// quotient exactly.
struct SaturatedMean {
    uint32_t half;
    float n;

    // Four sums (zero-extended to 32 bits) to four quotients, not yet
    // saturated.
    I32x4 quotients(I32x4 sums) const {
        const F32x4 q = __builtin_convertvector(sums + static_cast<int32_t>(half), F32x4) / n;
        return __builtin_convertvector(q, I32x4);
    }

    // Sixteen quotients, 0 and up, to sixteen bytes, saturated at 255.
    static void store(uint8_t *samples, I32x4 a, I32x4 b, I32x4 c, I32x4 d) {
#if defined(__SSE2__)
        // The quotients stay far below 32767: the signed pack keeps them,
        // the unsigned one saturates them at 255.
        const __m128i ab = _mm_packs_epi32((__m128i)a, (__m128i)b);
        const __m128i cd = _mm_packs_epi32((__m128i)c, (__m128i)d);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(samples), _mm_packus_epi16(ab, cd));
#else
        const I32x4 parts[] = {a, b, c, d};
        for (size_t k = 0; k < 16; ++k) {
            const int32_t t = parts[k / 4][k % 4];
            samples[k] = static_cast<uint8_t>(t > 255 ? 255 : t);
        }
#endif
    }

    void block(const uint16_t *sums, uint8_t *samples) const {
        const U16x8 zero{};
        const U16x8 low = load_vector<U16x8>(sums);
        const U16x8 high = load_vector<U16x8>(sums + 8);
        store(samples, quotients((I32x4)__builtin_shufflevector(low, zero, 0, 8, 1, 9, 2, 10, 3, 11)),
              quotients((I32x4)__builtin_shufflevector(low, zero, 4, 12, 5, 13, 6, 14, 7, 15)),
              quotients((I32x4)__builtin_shufflevector(high, zero, 0, 8, 1, 9, 2, 10, 3, 11)),
              quotients((I32x4)__builtin_shufflevector(high, zero, 4, 12, 5, 13, 6, 14, 7, 15)));
    }

    void block(const uint32_t *sums, uint8_t *samples) const {
        store(samples, quotients(load_vector<I32x4>(sums)), quotients(load_vector<I32x4>(sums + 4)),
              quotients(load_vector<I32x4>(sums + 8)), quotients(load_vector<I32x4>(sums + 12)));
    }

    template <typename Sum>
    void one(Sum sum, uint8_t &sample) const {
        const auto t = static_cast<int32_t>(static_cast<float>(static_cast<uint32_t>(sum) + half) / n);
        sample = static_cast<uint8_t>(t > 255 ? 255 : t);
    }
};

// (32-bit sum + half) / n for the 32-bit mean: the addition wraps in 32 bits,
// the division is signed and truncates toward zero.
//
// |dividend| / n is taken as (|dividend| * m) >> s with s = 31 + ceil(log2 n)
// and m = ceil(2^s / n), which is below 2^32. With e = m * n - 2^s < n the
// product overshoots |dividend| / n by |dividend| * e / (n * 2^s) < 2^-L <=
// 1 / n for every |dividend| <= 2^31, too little to reach the next integer,
// so the quotient is exact; the sign is put back afterwards.
struct MeanOf32BitSums {
    uint32_t half;
    uint32_t m;
    int s;

    MeanOf32BitSums(uint32_t halfOfN, uint32_t n) : half(halfOfN), m(0), s(31) {
        while ((1u << (s - 31)) < n) {
            ++s;
        }
        m = static_cast<uint32_t>(((uint64_t{1} << s) + n - 1) / n);
    }

    void one(uint32_t sum, uint32_t &sample) const {
        const uint32_t dividend = sum + half;
        const uint32_t sign = static_cast<uint32_t>(static_cast<int32_t>(dividend) >> 31);
        const uint32_t magnitude = (dividend ^ sign) - sign;
        const auto q = static_cast<uint32_t>((static_cast<uint64_t>(magnitude) * m) >> s);
        sample = (q ^ sign) - sign;
    }

    void block(const uint32_t *sums, uint32_t *samples) const {
#if defined(__SSE2__)
        const __m128i mm = _mm_set1_epi32(static_cast<int>(m));
        const __m128i shift = _mm_cvtsi32_si128(s);
        const __m128i h = _mm_set1_epi32(static_cast<int>(half));
        for (size_t i = 0; i < img::kRuleBlock; i += 4) {
            const __m128i dividend = _mm_add_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(sums + i)), h);
            const __m128i sign = _mm_srai_epi32(dividend, 31);
            const __m128i magnitude = _mm_sub_epi32(_mm_xor_si128(dividend, sign), sign);
            // 32 x 32 -> 64-bit products of lanes 0 and 2, then of lanes 1 and 3.
            const __m128i even = _mm_srl_epi64(_mm_mul_epu32(magnitude, mm), shift);
            const __m128i odd = _mm_srl_epi64(_mm_mul_epu32(_mm_srli_epi64(magnitude, 32), mm), shift);
            const __m128i q = _mm_or_si128(even, _mm_slli_epi64(odd, 32));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(samples + i), _mm_sub_epi32(_mm_xor_si128(q, sign), sign));
        }
#else
        for (size_t i = 0; i < img::kRuleBlock; ++i) {
            one(sums[i], samples[i]);
        }
#endif
    }
};

}  // namespace

extern "C" {

FPDEVICE_API int32_t fvs_ImageMeanChar2Char(uint8_t *output, const uint8_t *input, uint16_t height, uint16_t width,
                                            uint8_t windowX, uint8_t windowY) {
    if (output == nullptr || input == nullptr) {
        return 1;
    }
    if (windowX == 0 || windowY == 0) {
        return 2;  // the divisor would be 0
    }
    const Divisor d(windowX, windowY);
    const SaturatedMean mean{d.half, static_cast<float>(d.n)};
    // A window of up to 257 samples of 255 sums exactly in 16 bits, which are
    // faster than 32; a larger one (17 x 17 samples and up) would wrap there
    // and give a meaningless mean. Each finished row is divided at once,
    // which lets output and input be the same buffer.
    const int rx = windowX >> 1;
    const int ry = windowY >> 1;
    if ((2 * rx + 1) * (2 * ry + 1) * 255 <= 0xFFFF) {
        return img::window_sum_rows<uint16_t>(input, height, width, rx, ry, img::AsStored{}, output, mean);
    }
    return img::window_sum_rows<uint32_t>(input, height, width, rx, ry, img::AsStored{}, output, mean);
}

FPDEVICE_API int32_t fvs_ImageMeanInt2Int(int32_t *output, const int32_t *input, uint16_t height, uint16_t width,
                                          uint8_t windowX, uint8_t windowY) {
    if (output == nullptr || input == nullptr) {
        return 1;
    }
    if (windowX == 0 || windowY == 0) {
        return 2;  // the divisor would be 0
    }
    const Divisor d(windowX, windowY);
    const MeanOf32BitSums mean(d.half, d.n);
    // Summed as uint32_t: the same bits, with defined wrap-around.
    return img::window_sum_rows<uint32_t>(reinterpret_cast<const uint32_t *>(input), height, width, windowX >> 1,
                                          windowY >> 1, img::AsStored{}, reinterpret_cast<uint32_t *>(output), mean);
}

}  // extern "C"
