// Histograms of gray images and their mean and variance.
#include "fpdevice/imaging_primitives.h"
#include "imaging/simd_dispatch.h"

#include <cstdlib>
#include <cstring>

extern "C" {

FPDEVICE_API uint32_t *HistogramCreate(void) {
    return static_cast<uint32_t *>(calloc(FP_HISTOGRAM_BINS, sizeof(uint32_t)));
}

FPDEVICE_API void HistogramDestroy(uint32_t *histogram) { free(histogram); }

FPDEVICE_API uint32_t *HistogramCompute(const uint8_t *image, uint16_t height, uint16_t width) {
    if (image == nullptr) {
        return nullptr;
    }
    uint32_t *histogram = HistogramCreate();
    if (histogram == nullptr) {
        return nullptr;
    }
    // Both dimensions are at most 65535, so the sample count fits 32 bits.
    const uint32_t samples = static_cast<uint32_t>(height) * width;
    if (fpdevice::imaging::ChosenSimdPath() == fpdevice::imaging::SimdPath::kScalar) {
        for (uint32_t i = 0; i < samples; ++i) {
            histogram[image[i]] += 1;
        }
        return histogram;
    }
    // Four partial histograms, so that neighbouring equal samples (the rule
    // in images) do not wait on each other's increment of the same count.
    // Counts are exact integers, so summing them at the end gives the same
    // histogram. Every sample costs one increment of a count in memory (a
    // read and a write), which bounds the loop; the samples are read 8 at a
    // time so that as few other reads as possible compete with those.
    uint32_t partial[4][FP_HISTOGRAM_BINS] = {};
    uint32_t i = 0;
    for (; i + 8 <= samples; i += 8) {
        uint64_t word;
        memcpy(&word, image + i, sizeof word);
        for (int pair = 0; pair < 4; ++pair) {
            partial[(2 * pair) & 3][word & 0xFFu] += 1;
            partial[(2 * pair + 1) & 3][(word >> 8) & 0xFFu] += 1;
            word >>= 16;
        }
    }
    for (; i < samples; ++i) {
        partial[0][image[i]] += 1;
    }
    for (uint32_t g = 0; g < FP_HISTOGRAM_BINS; ++g) {
        histogram[g] = partial[0][g] + partial[1][g] + partial[2][g] + partial[3][g];
    }
    return histogram;
}

FPDEVICE_API uint8_t HistogramGetMean(const uint32_t *histogram) {
    if (histogram == nullptr) {
        return 0;
    }
    // 64-bit sums: 256 counts of up to 2^32 times 255 stay below 2^49, so
    // nothing wraps; below 2^31 the result is that of 32-bit sums.
    uint64_t total = 0;
    uint64_t weighted = 0;
    for (uint32_t g = 0; g < FP_HISTOGRAM_BINS; ++g) {
        total += histogram[g];
        weighted += static_cast<uint64_t>(g) * histogram[g];
    }
    if (total == 0) {
        return 0;
    }
    // Adding half the count before the truncating division rounds half up.
    const uint64_t mean = (weighted + (total >> 1)) / total;
    return static_cast<uint8_t>(mean & 0xFFu);
}

FPDEVICE_API uint32_t HistogramGetVariance2(const uint32_t *histogram, uint8_t mean) {
    if (histogram == nullptr) {
        return 0;
    }
    // 64-bit sums: a squared deviation is at most 255^2, so 256 counts of up
    // to 2^32 stay below 2^56.
    uint64_t total = 0;
    uint64_t squares = 0;
    for (uint32_t g = 0; g < FP_HISTOGRAM_BINS; ++g) {
        const int32_t deviation = static_cast<int32_t>(g) - mean;
        const uint64_t square = static_cast<uint64_t>(deviation * deviation);
        total += histogram[g];
        squares += square * histogram[g];
    }
    if (total == 0) {
        return 0;
    }
    // Rounded half up; the quotient is at most 255^2 and fits 32 bits.
    return static_cast<uint32_t>((squares + (total >> 1)) / total);
}

FPDEVICE_API uint32_t HistogramGetVariance(const uint32_t *histogram) {
    return HistogramGetVariance2(histogram, HistogramGetMean(histogram));
}

}  // extern "C"
