// The histogram picture: a raw 256-row bar chart written to a file.
#include "fpdevice/imaging_primitives.h"

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int32_t kPictureRows = 256;
constexpr uint8_t kBar = 255;

// Draws column `bin` of a picture `binCount` bytes wide: `height` samples
// standing on the bottom row.
void draw_bar(uint8_t *picture, int32_t binCount, int32_t bin, int32_t height) {
    for (int32_t row = kPictureRows - 1; row >= kPictureRows - height; --row) {
        picture[row * binCount + bin] = kBar;
    }
}

bool write_picture(const char *path, const uint8_t *picture, size_t size) {
    FILE *file = fopen(path, "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = fwrite(picture, 1, size, file) == size;
    // Buffered data reaches the file only at fclose, so its result counts too.
    const bool closed = fclose(file) == 0;
    return written && closed;
}

}  // namespace

extern "C" FPDEVICE_API int32_t HistogramPrint(const uint32_t *histogram, int16_t binCount, const char *path) {
    if (histogram == nullptr || path == nullptr) {
        return 1;
    }
    if (binCount < 1 || binCount > FP_HISTOGRAM_BINS) {
        return 2;
    }
    const size_t size = static_cast<size_t>(binCount) * kPictureRows;
    uint8_t *picture = static_cast<uint8_t *>(calloc(size, 1));
    if (picture == nullptr) {
        return 1;
    }

    uint32_t largest = 0;
    for (int32_t bin = 0; bin < binCount; ++bin) {
        if (histogram[bin] > largest) {
            largest = histogram[bin];
        }
    }
    // An all-zero histogram draws no bar (and must not divide by zero).
    if (largest != 0) {
        // Single precision throughout, truncated: count * (255 / max) never
        // exceeds 255 rows, and the tallest bar is 254 rows for some maxima
        // (7, for one) where the product rounds just below 255.
        const float scale = 255.0f / static_cast<float>(largest);
        for (int32_t bin = 0; bin < binCount; ++bin) {
            const auto height = static_cast<int32_t>(static_cast<float>(histogram[bin]) * scale);
            draw_bar(picture, binCount, bin, height);
        }
    }

    const bool written = write_picture(path, picture, size);
    free(picture);
    return written ? 0 : 2;
}
