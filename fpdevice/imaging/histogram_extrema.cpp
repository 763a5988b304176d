// The histogram, extrema scan and binarisation of the segmentation thresholds.
#include "imaging/histogram_extrema.h"

#include "fpdevice/imaging_primitives.h"

#include <cstddef>
#include <cstring>

namespace fpdevice::imaging {

namespace {

void append(ExtremaList *list, int32_t bin) {
    // A scan cannot list more extrema than bins; the test only guards memory.
    if (list->count < kHistogramBins) {
        list->bin[list->count] = static_cast<int16_t>(bin);
        ++list->count;
    }
}

// The end of the plateau that starts at bin i: the first j > i whose count
// differs from bin j - 1, or 255 when the plateau reaches it.
int32_t plateau_end(const uint32_t *h, int32_t i) {
    int32_t j = i + 1;
    while (j <= kHistogramBins - 2 && clamped_bin(h, j) == clamped_bin(h, j - 1)) {
        ++j;
    }
    return j;
}

}  // namespace

void find_histogram_extrema(const uint32_t *h, int32_t first, int32_t last, ExtremaList *peaks, ExtremaList *valleys) {
    std::memset(peaks, 0, sizeof *peaks);
    std::memset(valleys, 0, sizeof *valleys);
    for (int32_t i = first; i <= last; ++i) {
        uint32_t here = clamped_bin(h, i);
        uint32_t before = clamped_bin(h, i - 1);
        uint32_t after = clamped_bin(h, i + 1);
        if (here < before && here < after) {
            append(valleys, i);
        } else if (here < before && here == after) {
            const int32_t j = plateau_end(h, i);
            if (clamped_bin(h, j) > clamped_bin(h, j - 1)) {
                append(valleys, (i + j) / 2);
            }
            i = j - 1;
        }
        // The peak test looks at the bin the valley test may have moved to:
        // the last bin of a plateau.
        here = clamped_bin(h, i);
        before = clamped_bin(h, i - 1);
        after = clamped_bin(h, i + 1);
        if (here > before && here > after) {
            append(peaks, i);
        } else if (here > before && here == after) {
            const int32_t j = plateau_end(h, i);
            if (clamped_bin(h, j) < clamped_bin(h, j - 1)) {
                append(peaks, (i + j) / 2);
            }
            i = j - 1;
        }
    }
}

bool image_histogram(const uint8_t *image, int16_t height, int16_t width, uint32_t *counts) {
    if (image == nullptr || height < 0 || width < 0) {
        return false;
    }
    uint32_t *histogram = HistogramCompute(image, static_cast<uint16_t>(height), static_cast<uint16_t>(width));
    if (histogram == nullptr) {
        return false;
    }
    std::memcpy(counts, histogram, kHistogramBins * sizeof *counts);
    HistogramDestroy(histogram);
    return true;
}

void binarise(uint8_t *image, int16_t height, int16_t width, int32_t threshold) {
    const int32_t count = static_cast<int32_t>(height) * static_cast<int32_t>(width);
    if (count <= 0) {
        return;
    }
    // Every sample lies above a negative threshold and none above 255; in
    // between the test is a byte comparison, which the compiler does 16 or
    // 32 samples at a time (a comparison with the 32-bit threshold would
    // widen every sample first).
    if (threshold < 0 || threshold > 255) {
        std::memset(image, threshold < 0 ? 255 : 0, static_cast<size_t>(count));
        return;
    }
    const auto t = static_cast<uint8_t>(threshold);
    for (int32_t i = 0; i < count; ++i) {
        image[i] = image[i] > t ? 255 : 0;
    }
}

}  // namespace fpdevice::imaging
