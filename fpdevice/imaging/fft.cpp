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

uint32_t reverse_bits(uint32_t index, uint32_t bits) {
    uint32_t reversed = 0;
    for (uint32_t b = 0; b < bits; ++b) {
        reversed = (reversed << 1) | ((index >> b) & 1u);
    }
    return reversed;
}

// Unscaled transform with the negative exponent: X[k] = sum x[m] e^(-2 pi i k m / n).
void transform(float *re, float *im, uint32_t n, uint32_t stages) {
    // 2 pi divided in double precision by n as a float, kept in single.
    auto step = static_cast<float>(6.283185307179586 / static_cast<double>(static_cast<float>(n)));
    for (uint32_t span = n; span >= 2; span >>= 1) {
        const uint32_t half = span >> 1;
        float angle = 0.0f;
        for (uint32_t j = 0; j < half; ++j) {
            const auto c = static_cast<float>(std::cos(static_cast<double>(angle)));
            const auto s = static_cast<float>(std::sin(static_cast<double>(angle)));
            angle = angle + step;
            for (uint32_t a = j; a < n; a += span) {
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
        step = step * 2.0f;
    }
    for (uint32_t i = 0; i < n; ++i) {
        const uint32_t r = reverse_bits(i, stages);
        if (i < r) {
            const float tr = re[i];
            re[i] = re[r];
            re[r] = tr;
            const float ti = im[i];
            im[i] = im[r];
            im[r] = ti;
        }
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
    transform(real, imaginary, size, stages);
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
    transform(real, imaginary, static_cast<uint32_t>(n), stages);
}

}  // namespace fpdevice::imaging

extern "C" {

FPDEVICE_API void FFT(float *real, float *imaginary, int16_t n) { fpdevice::imaging::fft_forward(real, imaginary, n); }

FPDEVICE_API void IFFT(float *real, float *imaginary, int32_t n) { fpdevice::imaging::fft_inverse(real, imaginary, n); }

}  // extern "C"
