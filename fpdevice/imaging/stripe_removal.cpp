// RemoveStripe: recolouring short runs of one value along rows or columns.
#include "fpdevice/imaging_regions.h"

#include <cstddef>

namespace {

// Walks `length` samples `stride` apart and recolours every maximal run of
// value that is at most longestRun long.
void remove_short_runs(uint8_t *line, size_t length, size_t stride, uint8_t value, uint8_t fill, size_t longestRun) {
    size_t i = 0;
    while (i < length) {
        if (line[i * stride] != value) {
            ++i;
            continue;
        }
        const size_t start = i;
        while (i < length && line[i * stride] == value) {
            ++i;
        }
        if (i - start <= longestRun) {
            for (size_t k = start; k < i; ++k) {
                line[k * stride] = fill;
            }
        }
    }
}

}  // namespace

extern "C" FPDEVICE_API int32_t RemoveStripe(uint8_t *image, int16_t height, int16_t width, uint8_t value,
                                             uint8_t fillValue, uint8_t longestRun, uint8_t direction) {
    if (image == nullptr) {
        return 2;
    }
    if (height < 1 || width < 1 || longestRun == 0) {
        return 0;
    }
    const auto h = static_cast<size_t>(height);
    const auto w = static_cast<size_t>(width);
    if (direction == 0) {
        for (size_t y = 0; y < h; ++y) {
            remove_short_runs(image + y * w, w, 1, value, fillValue, longestRun);
        }
    } else if (direction == 1) {
        for (size_t x = 0; x < w; ++x) {
            remove_short_runs(image + x, h, w, value, fillValue, longestRun);
        }
    }
    return 0;
}
