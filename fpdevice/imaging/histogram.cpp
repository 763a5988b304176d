// Histograms of gray images and their mean and variance.
#include "fpdevice/imaging_primitives.h"
#include "imaging/histogram_pairs.h"
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
    // The lane paths count large images by pairs of samples; the plain loop
    // is the reference, counts small images, and still counts when there is
    // no room for the pair table.
    const bool pairs = samples >= fpdevice::imaging::kCountByPairsFrom &&
                       fpdevice::imaging::ChosenSimdPath() != fpdevice::imaging::SimdPath::kScalar;
    if (!pairs || !fpdevice::imaging::count_by_pairs(image, samples, histogram)) {
        for (uint32_t i = 0; i < samples; ++i) {
            histogram[image[i]] += 1;
        }
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
