// Shape complexity of the region of one gray value: boundary squared over
// area, which grows with a ragged or elongated outline.
#include "fpdevice/imaging_frequency.h"

#include <cmath>
#include <cstddef>

extern "C" float Complexity(const uint8_t *image, int16_t height, int16_t width, uint8_t value) {
    if (image == nullptr) {
        return -1.0F;
    }
    const auto w = static_cast<ptrdiff_t>(width);
    int32_t area = 0;
    int32_t inner = 0;
    for (int32_t y = 1; y < height - 1; ++y) {
        const uint8_t *row = image + y * w;
        for (int32_t x = 1; x < width - 1; ++x) {
            if (row[x] != value) {
                continue;
            }
            ++area;
            // Inner when the four edge neighbours share a set bit: for a 0/255
            // mask, when all four are foreground.
            if ((row[x - w] & row[x + w] & row[x - 1] & row[x + 1]) != 0) {
                ++inner;
            }
        }
    }
    if (area == 0) {
        // Boundary and area are both 0: no shape to rate.
        return std::nanf("");
    }
    const auto boundary = static_cast<float>(area - inner);
    return boundary * boundary / static_cast<float>(area);
}
