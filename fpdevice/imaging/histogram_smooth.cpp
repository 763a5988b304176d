// Low-pass smoothing of gray-level histograms in the frequency domain.
//
// The chain FFT, weighting, IFFT returns the signal in reversed cyclic
// order, and the write-back through index 127 - k undoes that reversal only
// up to one bin: smoothed bin j holds what belongs to bin j + 1. Segmentation
// thresholds are tuned on exactly this output, so the shift stays.
#include "fpdevice/imaging_fft.h"
#include "imaging/fft_internal.h"

#include <cmath>
#include <cstdint>

namespace {

constexpr int32_t kPoints = 128;
constexpr int32_t kWeights = kPoints / 2;

// Butterworth-like weight 1 / (1 + 0.414 (k / kc)^4): k / kc in single
// precision, the rest in double precision, stored in single.
float low_pass_weight(int32_t k, float cutOff) {
    const float ratio = static_cast<float>(k) / cutOff;
    return static_cast<float>(1.0 / (1.0 + 0.414 * std::pow(static_cast<double>(ratio), 4.0)));
}

// Transforms the 128 counts (as single-precision values) forward, weights
// them and transforms back into re. Index k shares its weight with
// 127 - k, not with the mirror frequency 128 - k: the pairing is part of the
// result callers depend on.
void filter(const uint32_t *counts, float cutOff, float *re) {
    float im[kPoints];
    for (int32_t k = 0; k < kPoints; ++k) {
        re[k] = static_cast<float>(counts[k]);
        im[k] = 0.0f;
    }
    fpdevice::imaging::fft_forward(re, im, kPoints);
    for (int32_t k = 0; k < kWeights; ++k) {
        const float weight = low_pass_weight(k, cutOff);
        re[k] = re[k] * weight;
        im[k] = im[k] * weight;
        re[kPoints - 1 - k] = re[kPoints - 1 - k] * weight;
        im[kPoints - 1 - k] = im[kPoints - 1 - k] * weight;
    }
    fpdevice::imaging::fft_inverse(re, im, kPoints);
}

// |trunc(value)| as a count. Taken on the magnitude, so that values from
// 2^31 up (reached only by histograms of more than 2^31 samples) keep their
// size instead of overflowing a signed 32-bit conversion; 2^32 and more
// saturate.
uint32_t magnitude_as_count(float value) {
    const float magnitude = std::fabs(value);
    if (magnitude >= 4294967296.0f) {
        return UINT32_MAX;
    }
    return static_cast<uint32_t>(magnitude);
}

}  // namespace

extern "C" {

FPDEVICE_API int32_t HistogramSmooth(uint32_t *histogram) {
    if (histogram == nullptr) {
        return 1;
    }
    // Fold pairs of gray levels in place (bin k <- 2k and 2k + 1, 32-bit sums
    // that wrap); the upper half becomes empty.
    for (int32_t k = 0; k < kPoints; ++k) {
        histogram[k] = histogram[2 * k] + histogram[2 * k + 1];
    }
    for (int32_t k = kPoints; k < 2 * kPoints; ++k) {
        histogram[k] = 0;
    }
    float re[kPoints];
    filter(histogram, 5.0f, re);
    // Only bins 0 ... 107 are rewritten; 108 ... 127 keep their folded sums.
    for (int32_t k = 20; k < kPoints; ++k) {
        histogram[kPoints - 1 - k] = magnitude_as_count(re[k]);
    }
    return 0;
}

FPDEVICE_API int32_t HistogramSmooth128(uint32_t *histogram) {
    if (histogram == nullptr) {
        return 1;
    }
    float re[kPoints];
    filter(histogram, 7.0f, re);
    for (int32_t k = 0; k < kPoints; ++k) {
        histogram[kPoints - 1 - k] = magnitude_as_count(re[k]);
    }
    return 0;
}

}  // extern "C"
