// Radix-2 decimation-in-frequency FFT pair, single precision, in place.
//
// Results are compared bit for bit across machines, so the arithmetic is
// fixed: single-precision butterflies, a twiddle angle that is accumulated
// by repeated single-precision addition (not recomputed from the index),
// cosine and sine taken in double precision and rounded to single, and the
// bit-reversal permutation after the butterflies. Replacing any of these
// with the "more accurate" choice changes the low bits of the results.
#include "fpdevice/imaging_fft.h"
#include "imaging/fft_internal.h"
#include "imaging/local_sums_impl.h"

#include <cmath>

namespace {

constexpr int32_t kLargestSize = 8192;

// log2(n) for a power of two from 2 to 8192; false for any other n.
bool stage_count(int32_t n, uint32_t *stages) {
    if (n < 2 || n > kLargestSize || (n & (n - 1)) != 0) {
        return false;
    }
    uint32_t count = 0;
    for (int32_t power = 1; power != n; power <<= 1) {
        ++count;
    }
    *stages = count;
    return true;
}

// 2 pi divided in double precision by n as a float, kept in single: the
// angle step of the first stage; each later stage doubles it.
constexpr float FirstStep(uint32_t n) {
    return static_cast<float>(6.283185307179586 / static_cast<double>(static_cast<float>(n)));
}

// The twiddle factors of the transforms up to kTabledLargest points are
// constants: stage by stage (span n, n / 2, ..., 2) the cosines and sines of
// the accumulated angles, span / 2 of them from offset n - span. g++ folds
// cos and sin of a constant exactly and rounds to double once, as the C
// library does for these angles; the tests compare every tabled size bit for
// bit against the transform with the factors computed on each call.
#if defined(__GNUC__) && !defined(__clang__)
constexpr uint32_t kTabledLargest = 256;

template <uint32_t N>
struct Twiddles {
    float cos[N - 1];
    float sin[N - 1];
};

template <uint32_t N>
constexpr Twiddles<N> MakeTwiddles() {
    Twiddles<N> t{};
    float step = FirstStep(N);
    for (uint32_t span = N; span >= 2; span >>= 1) {
        float angle = 0.0f;
        for (uint32_t j = 0; j < span / 2; ++j) {
            t.cos[N - span + j] = static_cast<float>(__builtin_cos(static_cast<double>(angle)));
            t.sin[N - span + j] = static_cast<float>(__builtin_sin(static_cast<double>(angle)));
            angle = angle + step;
        }
        step = step * 2.0f;
    }
    return t;
}

template <uint32_t N>
constexpr Twiddles<N> kTwiddles = MakeTwiddles<N>();

template <uint32_t N>
bool Tabled(uint32_t n, const float **cosines, const float **sines) {
    if (n == N) {
        *cosines = kTwiddles<N>.cos;
        *sines = kTwiddles<N>.sin;
        return true;
    }
    if constexpr (N > 2) {
        return Tabled<N / 2>(n, cosines, sines);
    }
    return false;
}

bool TabledTwiddles(uint32_t n, const float **cosines, const float **sines) {
    return n <= kTabledLargest && Tabled<kTabledLargest>(n, cosines, sines);
}
#else
// Compilers that cannot fold cos and sin compute every factor on each call.
bool TabledTwiddles(uint32_t, const float **, const float **) { return false; }
#endif

using F32x4 = fpdevice::imaging::F32x4;
using fpdevice::imaging::load_vector;
using fpdevice::imaging::store_vector;

// The butterflies of one stage for the twiddles of j = first ... first +
// count - 1 in every group. Butterflies of different (group, j) touch
// different samples, so their order does not matter; each sample gets the
// same operations as ever, four neighbouring j in the four lanes when count
// is a multiple of four.
void Butterflies(float *re, float *im, uint32_t n, uint32_t span, uint32_t first, uint32_t count, const float *cosines,
                 const float *sines) {
    const uint32_t half = span >> 1;
    if (count % 4 == 0) {
        for (uint32_t group = 0; group < n; group += span) {
            for (uint32_t k = 0; k < count; k += 4) {
                const uint32_t a = group + first + k;
                const uint32_t b = a + half;
                const F32x4 ra = load_vector<F32x4>(re + a);
                const F32x4 rb = load_vector<F32x4>(re + b);
                const F32x4 ia = load_vector<F32x4>(im + a);
                const F32x4 ib = load_vector<F32x4>(im + b);
                const F32x4 c = load_vector<F32x4>(cosines + k);
                const F32x4 s = load_vector<F32x4>(sines + k);
                const F32x4 tr = ra - rb;
                const F32x4 ti = ia - ib;
                store_vector(re + a, ra + rb);
                store_vector(im + a, ia + ib);
                store_vector(re + b, c * tr + s * ti);
                store_vector(im + b, c * ti - s * tr);
            }
        }
        return;
    }
    for (uint32_t k = 0; k < count; ++k) {
        const float c = cosines[k];
        const float s = sines[k];
        for (uint32_t a = first + k; a < n; a += span) {
            const uint32_t b = a + half;
            const float tr = re[a] - re[b];
            const float ti = im[a] - im[b];
            re[a] = re[a] + re[b];
            im[a] = im[a] + im[b];
            // (tr + i ti) * e^(-i angle)
            re[b] = c * tr + s * ti;
            im[b] = c * ti - s * tr;
        }
    }
}

// Unscaled transform with the negative exponent: X[k] = sum x[m] e^(-2 pi i k m / n).
void transform(float *re, float *im, uint32_t n) {
    const float *tabledCos = nullptr;
    const float *tabledSin = nullptr;
    const bool tabled = TabledTwiddles(n, &tabledCos, &tabledSin);
    // Factors computed on the fly go through a small block at a time.
    constexpr uint32_t kBlock = 64;
    float blockCos[kBlock];
    float blockSin[kBlock];
    float step = FirstStep(n);
    for (uint32_t span = n; span >= 2; span >>= 1) {
        const uint32_t half = span >> 1;
        if (tabled) {
            Butterflies(re, im, n, span, 0, half, tabledCos + (n - span), tabledSin + (n - span));
        } else {
            float angle = 0.0f;
            for (uint32_t first = 0; first < half; first += kBlock) {
                const uint32_t count = half - first < kBlock ? half - first : kBlock;
                for (uint32_t k = 0; k < count; ++k) {
                    blockCos[k] = static_cast<float>(std::cos(static_cast<double>(angle)));
                    blockSin[k] = static_cast<float>(std::sin(static_cast<double>(angle)));
                    angle = angle + step;
                }
                Butterflies(re, im, n, span, first, count, blockCos, blockSin);
            }
        }
        step = step * 2.0f;
    }
    // Bit-reversal permutation: r runs through the reversed indices by
    // adding one at the top bit and carrying downwards.
    uint32_t r = 0;
    for (uint32_t i = 0; i < n; ++i) {
        if (i < r) {
            const float tr = re[i];
            re[i] = re[r];
            re[r] = tr;
            const float ti = im[i];
            im[i] = im[r];
            im[r] = ti;
        }
        uint32_t bit = n >> 1;
        while ((r & bit) != 0) {
            r ^= bit;
            bit >>= 1;
        }
        r |= bit;
    }
}

}  // namespace

namespace fpdevice::imaging {

void fft_forward(float *real, float *imaginary, int32_t n) {
    uint32_t stages = 0;
    if (real == nullptr || imaginary == nullptr || !stage_count(n, &stages)) {
        return;
    }
    const auto size = static_cast<uint32_t>(n);
    transform(real, imaginary, size);
    // Divided, not multiplied by 1/n: the quotient is the one rounding.
    const auto divisor = static_cast<float>(n);
    for (uint32_t k = 0; k < size; ++k) {
        real[k] = real[k] / divisor;
        imaginary[k] = imaginary[k] / divisor;
    }
}

void fft_inverse(float *real, float *imaginary, int32_t n) {
    uint32_t stages = 0;
    if (real == nullptr || imaginary == nullptr || !stage_count(n, &stages)) {
        return;
    }
    transform(real, imaginary, static_cast<uint32_t>(n));
}

}  // namespace fpdevice::imaging

extern "C" {

FPDEVICE_API void FFT(float *real, float *imaginary, int16_t n) { fpdevice::imaging::fft_forward(real, imaginary, n); }

FPDEVICE_API void IFFT(float *real, float *imaginary, int32_t n) { fpdevice::imaging::fft_inverse(real, imaginary, n); }

}  // extern "C"
