// Row and column sums of a gray image.
#include "fpdevice/imaging_frequency.h"

#include <cstddef>

extern "C" void Project(uint32_t *out, const uint8_t *image, int32_t height, int32_t width, int32_t direction) {
    if (out == nullptr || image == nullptr || height < 1 || width < 1) {
        return;
    }
    const auto w = static_cast<size_t>(width);
    if (direction == 0) {
        for (int32_t y = 0; y < height; ++y) {
            const uint8_t *row = image + static_cast<size_t>(y) * w;
            uint32_t sum = 0;
            for (size_t x = 0; x < w; ++x) {
                sum += row[x];
            }
            out[y] = sum;
        }
        return;
    }
    // Row by row into the column sums, so that the image is read in storage
    // order.
    for (size_t x = 0; x < w; ++x) {
        out[x] = 0;
    }
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t *row = image + static_cast<size_t>(y) * w;
        for (size_t x = 0; x < w; ++x) {
            out[x] += row[x];
        }
    }
}
