// 2x enlargement (pixel doubling) and 2x reduction (3 x 3 smoothing) of gray
// images into new storage.
#include "fpdevice/imaging_primitives.h"

#include <cstdlib>

namespace {

// Weights of the separable reduction kernel (a, b, a). They sum to 0.9999,
// not 1: a uniform source of 100 reduces to 99. Kept as they are, since
// stored results depend on them.
constexpr float kSide = 0.2992f;
constexpr float kCentre = 0.4015f;

uint8_t *new_zeroed_image(uint16_t height, uint16_t width) {
    return static_cast<uint8_t *>(calloc(static_cast<size_t>(height) * width, 1));
}

// One row of the kernel at (row, column): the side samples are added as
// integers before the single-precision multiplication.
float smooth_row(const uint8_t *row, uint32_t column) {
    const int32_t sides = row[column - 1] + row[column + 1];
    return kCentre * static_cast<float>(row[column]) + kSide * static_cast<float>(sides);
}

}  // namespace

extern "C" {

FPDEVICE_API uint8_t *ImageEnlarge(const uint8_t *source, uint16_t sourceHeight, uint16_t sourceWidth,
                                   uint16_t resultHeight, uint16_t resultWidth) {
    if (source == nullptr || resultHeight == 0 || resultWidth == 0) {
        return nullptr;
    }
    // Result sample (y, x) reads source (y >> 1, x >> 1).
    if (sourceHeight < (resultHeight + 1u) / 2 || sourceWidth < (resultWidth + 1u) / 2) {
        return nullptr;
    }
    uint8_t *result = new_zeroed_image(resultHeight, resultWidth);
    if (result == nullptr) {
        return nullptr;
    }
    for (uint32_t y = 0; y < resultHeight; ++y) {
        const uint8_t *sourceRow = source + (y >> 1) * sourceWidth;
        uint8_t *resultRow = result + y * resultWidth;
        for (uint32_t x = 0; x < resultWidth; ++x) {
            resultRow[x] = sourceRow[x >> 1];
        }
    }
    return result;
}

FPDEVICE_API uint8_t *ImageReduce(const uint8_t *source, uint16_t sourceHeight, uint16_t sourceWidth,
                                  uint16_t resultHeight, uint16_t resultWidth) {
    if (source == nullptr || resultHeight == 0 || resultWidth == 0) {
        return nullptr;
    }
    // Row 0 and column 0 reach source row and column 2n - 2; the smoothed
    // samples, present when both result dimensions exceed 1, one further.
    const uint32_t smoothed = (resultHeight > 1 && resultWidth > 1) ? 1u : 0u;
    if (sourceHeight < 2u * resultHeight - 1u + smoothed || sourceWidth < 2u * resultWidth - 1u + smoothed) {
        return nullptr;
    }
    uint8_t *result = new_zeroed_image(resultHeight, resultWidth);
    if (result == nullptr) {
        return nullptr;
    }
    // Row 0 and column 0 are plain subsamples, without smoothing.
    for (uint32_t x = 0; x < resultWidth; ++x) {
        result[x] = source[2 * x];
    }
    for (uint32_t y = 0; y < resultHeight; ++y) {
        result[y * resultWidth] = source[2 * y * sourceWidth];
    }
    for (uint32_t y = 1; y < resultHeight; ++y) {
        const uint8_t *above = source + (2 * y - 1) * sourceWidth;
        const uint8_t *centre = above + sourceWidth;
        const uint8_t *below = centre + sourceWidth;
        uint8_t *resultRow = result + y * resultWidth;
        for (uint32_t x = 1; x < resultWidth; ++x) {
            const uint32_t column = 2 * x;
            const float value =
                kCentre * smooth_row(centre, column) + kSide * (smooth_row(above, column) + smooth_row(below, column));
            // Truncated toward zero; the kernel's gain below 1 keeps it under 256.
            resultRow[x] = static_cast<uint8_t>(static_cast<int32_t>(value));
        }
    }
    return result;
}

}  // extern "C"
