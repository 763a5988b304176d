// Orientations of summed unit vectors, in whole degrees.
//
// An orientation is trunc(atan2(sine, cosine) * kDegreesPerRadian / 2): a
// whole degree, which a close value of the angle decides as well as the
// library's own. On the AVX2 path the angles are first taken four at a time
// from a short series; where the series' value and every value within
// kSlack of it give the same degree, so does the library's atan2, which lies
// within an ulp of the true angle (the degree is a non-decreasing function of
// the angle, so one degree at both ends of an interval holds for everything
// in it). Only angles that close to the edge of a degree, and the axes, go to
// the library; the other paths call it for every angle. Every orientation is
// the one the library's atan2 gives.
#include "imaging/orientation_internal.h"
#include "imaging/simd_dispatch.h"

#include <immintrin.h>

#include <cmath>
#include <cstddef>

namespace fpdevice::imaging {

namespace {

// The doubles nearest pi, pi / 2 and atan(k / 8), k = 0 ... 8.
constexpr double kPi = 0x1.921fb54442d18p+1;
constexpr double kHalfPi = 0x1.921fb54442d18p+0;
constexpr double kAtanEighths[9] = {0.0,
                                    0x1.fd5ba9aac2f6ep-4,
                                    0x1.f5b75f92c80ddp-3,
                                    0x1.6f61941e4def1p-2,
                                    0x1.dac670561bb4fp-2,
                                    0x1.1e00babdefeb4p-1,
                                    0x1.4978fa3269ee1p-1,
                                    0x1.700a7c5784634p-1,
                                    0x1.921fb54442d18p-1};

// The series below is within a few units of 1e-16 of the angle (at most
// 4.4e-16 from the library's over 10^8 pairs of sums), the library within an
// ulp (4.4e-16 near pi): this is a thousand times both.
constexpr double kSlack = 1e-12;

// atan2(y, x) of four lanes whose y and x are neither 0 nor infinite,
// within a few 1e-16: atan r = atan c + atan z with c the nearest eighth to
// r = min / max and z = (r - c) / (1 + r c), |z| <= 1/16, whose series after
// z^11 / 11 adds less than 2e-17; then the octant.
[[gnu::target("avx2")]] __m256d approximate_atan2(__m256d y, __m256d x) {
    const __m256d signBit = _mm256_set1_pd(-0.0);
    const __m256d ax = _mm256_andnot_pd(signBit, x);
    const __m256d ay = _mm256_andnot_pd(signBit, y);
    const __m256d steep = _mm256_cmp_pd(ay, ax, _CMP_GT_OQ);
    const __m256d r = _mm256_div_pd(_mm256_min_pd(ax, ay), _mm256_max_pd(ax, ay));
    // Lanes the caller will not use may hold 0 / 0; their index, converted
    // from NaN, is kept inside the table too.
    const __m128i k =
        _mm_min_epu32(_mm256_cvttpd_epi32(_mm256_add_pd(_mm256_mul_pd(r, _mm256_set1_pd(8.0)), _mm256_set1_pd(0.5))),
                      _mm_set1_epi32(8));
    const __m256d c = _mm256_mul_pd(_mm256_cvtepi32_pd(k), _mm256_set1_pd(0.125));
    const __m256d z = _mm256_div_pd(_mm256_sub_pd(r, c), _mm256_add_pd(_mm256_set1_pd(1.0), _mm256_mul_pd(r, c)));
    const __m256d z2 = _mm256_mul_pd(z, z);
    __m256d series = _mm256_set1_pd(-1.0 / 11.0);
    series = _mm256_add_pd(_mm256_mul_pd(series, z2), _mm256_set1_pd(1.0 / 9.0));
    series = _mm256_add_pd(_mm256_mul_pd(series, z2), _mm256_set1_pd(-1.0 / 7.0));
    series = _mm256_add_pd(_mm256_mul_pd(series, z2), _mm256_set1_pd(1.0 / 5.0));
    series = _mm256_add_pd(_mm256_mul_pd(series, z2), _mm256_set1_pd(-1.0 / 3.0));
    const __m256d atanR = _mm256_add_pd(
        _mm256_mask_i32gather_pd(_mm256_setzero_pd(), kAtanEighths, k, _mm256_castsi256_pd(_mm256_set1_epi64x(-1)), 8),
        _mm256_add_pd(z, _mm256_mul_pd(_mm256_mul_pd(z, z2), series)));
    __m256d angle = _mm256_blendv_pd(atanR, _mm256_sub_pd(_mm256_set1_pd(kHalfPi), atanR), steep);
    const __m256d left = _mm256_cmp_pd(x, _mm256_setzero_pd(), _CMP_LT_OQ);
    angle = _mm256_blendv_pd(angle, _mm256_sub_pd(_mm256_set1_pd(kPi), angle), left);
    return _mm256_or_pd(angle, _mm256_and_pd(y, signBit));
}

// orientation_from_doubled of four lanes: the product, then the halving
// (exact), then the truncating conversion.
[[gnu::target("avx2")]] __m128i degrees_of(__m256d doubled) {
    return _mm256_cvttpd_epi32(
        _mm256_mul_pd(_mm256_mul_pd(doubled, _mm256_set1_pd(kDegreesPerRadian)), _mm256_set1_pd(0.5)));
}

// Lanes whose value is neither 0 nor infinite (nor NaN).
[[gnu::target("avx2")]] __m256d usable(__m256d v) {
    const __m256d magnitude = _mm256_andnot_pd(_mm256_set1_pd(-0.0), v);
    return _mm256_and_pd(_mm256_cmp_pd(magnitude, _mm256_setzero_pd(), _CMP_GT_OQ),
                         _mm256_cmp_pd(magnitude, _mm256_set1_pd(HUGE_VAL), _CMP_LT_OQ));
}

int16_t orientation_of(float sine, float cosine) {
    return orientation_from_doubled(std::atan2(static_cast<double>(sine), static_cast<double>(cosine)));
}

[[gnu::target("avx2")]] void orientations_of_sums_avx2(const float *sines, const float *cosines, int16_t *orientations,
                                                       size_t count) {
    const __m256d slack = _mm256_set1_pd(kSlack);
    size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m256d y = _mm256_cvtps_pd(_mm_loadu_ps(sines + i));
        const __m256d x = _mm256_cvtps_pd(_mm_loadu_ps(cosines + i));
        const __m256d angle = approximate_atan2(y, x);
        const __m128i low = degrees_of(_mm256_sub_pd(angle, slack));
        const __m128i high = degrees_of(_mm256_add_pd(angle, slack));
        const int inputs = _mm256_movemask_pd(_mm256_and_pd(usable(y), usable(x)));
        const int decided = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(low, high))) & inputs;
        alignas(16) int32_t degrees[4];
        _mm_store_si128(reinterpret_cast<__m128i *>(degrees), low);
        for (size_t lane = 0; lane < 4; ++lane) {
            orientations[i + lane] = ((decided >> lane) & 1) != 0 ? static_cast<int16_t>(degrees[lane])
                                                                  : orientation_of(sines[i + lane], cosines[i + lane]);
        }
    }
    for (; i < count; ++i) {
        orientations[i] = orientation_of(sines[i], cosines[i]);
    }
}

}  // namespace

void orientations_of_sums(const float *sines, const float *cosines, int16_t *orientations, size_t count) {
    if (ChosenSimdPath() == SimdPath::kAvx2) {
        orientations_of_sums_avx2(sines, cosines, orientations, count);
        return;
    }
    for (size_t i = 0; i < count; ++i) {
        orientations[i] = orientation_of(sines[i], cosines[i]);
    }
}

}  // namespace fpdevice::imaging
