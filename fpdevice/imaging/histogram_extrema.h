// Image histograms, their peaks and valleys, shared by the two segmentation
// thresholds. Private to the library.
#ifndef FPDEVICE_IMAGING_HISTOGRAM_EXTREMA_H
#define FPDEVICE_IMAGING_HISTOGRAM_EXTREMA_H

#include <cstdint>

namespace fpdevice::imaging {

constexpr int32_t kHistogramBins = 256;

// Bin indexes in increasing order. Unused entries are 0.
struct ExtremaList {
    int16_t bin[kHistogramBins];
    int16_t count;
};

// Scans bins first ... last (inclusive, within 0 ... 255) of the histogram
// and fills both lists, starting them empty. A strict local extremum is
// listed at its bin; a plateau that falls on one side and rises on the other
// (or the reverse) at its middle, rounded down; a step (a plateau between a
// rise and a further rise) not at all. Neighbours outside the histogram count
// as equal to the nearest bin inside, so bins 0 and 255 are never extrema by
// themselves.
void find_histogram_extrema(const uint32_t *histogram, int32_t first, int32_t last, ExtremaList *peaks,
                            ExtremaList *valleys);

// What both thresholds answer for an image they cannot work on.
constexpr uint32_t kThresholdFailed = 255;

// Copies the 256-bin histogram of the image into counts; false for a null
// image, a negative side, or when out of memory.
bool image_histogram(const uint8_t *image, int16_t height, int16_t width, uint32_t *counts);

// Samples above the threshold become 255, the others 0.
void binarise(uint8_t *image, int16_t height, int16_t width, int32_t threshold);

// The entry both thresholds share: the image's histogram goes to
// choose(histogram, &threshold), which may change the histogram and answers
// false when it cannot place a threshold; the image is then left as it was.
// Otherwise the image is binarised at the threshold, which is returned.
template <typename Choose>
uint32_t threshold_image(uint8_t *image, int16_t height, int16_t width, Choose choose) {
    uint32_t h[kHistogramBins];
    if (!image_histogram(image, height, width, h)) {
        return kThresholdFailed;
    }
    int32_t threshold = 0;
    if (!choose(h, &threshold)) {
        return kThresholdFailed;
    }
    binarise(image, height, width, threshold);
    // Only the binarisation sees a negative threshold: its low byte (252
    // for -4) would read as a high threshold, or as the failure value.
    return threshold < 0 ? 0 : static_cast<uint32_t>(threshold);
}

// The count of bin b, b clamped to 0 ... 255.
inline uint32_t clamped_bin(const uint32_t *histogram, int32_t b) {
    return histogram[b < 0 ? 0 : (b > kHistogramBins - 1 ? kHistogramBins - 1 : b)];
}

}  // namespace fpdevice::imaging

#endif
