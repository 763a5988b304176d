// Rotation tables: integer offsets of every sample of a block, rotated about
// the block centre, for evenly spaced angles from -pi/2 to +pi/2.
#include "fpdevice/imaging_primitives.h"

#include <cmath>
#include <cstdlib>

namespace {

// Half away from zero, the +-0.5 added in double precision and truncated:
// 0.5 -> 1, -0.5 -> -1, 0.49 -> 0, -0.49 -> 0.
int16_t round_half_away(float value) {
    const double wide = value;
    const double shifted = wide > 0.0 ? wide + 0.5 : wide - 0.5;
    return static_cast<int16_t>(static_cast<int32_t>(shifted));
}

void fill_row(int16_t *row, float cosine, float minusSine, uint8_t blockWidth, uint8_t blockHeight) {
    const int32_t centreX = blockWidth >> 1;
    const int32_t centreY = blockHeight >> 1;
    for (int32_t j = 0; j < blockHeight; ++j) {
        const auto dy = static_cast<float>(j - centreY);
        for (int32_t i = 0; i < blockWidth; ++i) {
            const auto dx = static_cast<float>(i - centreX);
            // Single precision: x' = dx cos - dy sin, y' = dx sin + dy cos,
            // written with minusSine = -sin.
            const float x = dx * cosine + dy * minusSine;
            const float y = dy * cosine - dx * minusSine;
            int16_t *pair = row + 2 * (j * blockWidth + i);
            pair[0] = round_half_away(x);
            pair[1] = round_half_away(y);
        }
    }
}

}  // namespace

extern "C" {

FPDEVICE_API void AxisDestroy(int16_t **table, uint8_t angleCount) {
    if (table == nullptr) {
        return;
    }
    for (uint32_t a = 0; a <= angleCount; ++a) {
        free(table[a]);
    }
    free(table);
}

FPDEVICE_API int16_t **AxisTransform(uint8_t angleCount, uint8_t blockWidth, uint8_t blockHeight) {
    if (angleCount == 0 || blockWidth == 0 || blockHeight == 0) {
        return nullptr;
    }
    // Zeroed pointers, so that a failure part-way frees exactly the rows made.
    auto **table = static_cast<int16_t **>(calloc(angleCount + 1u, sizeof(int16_t *)));
    if (table == nullptr) {
        return nullptr;
    }
    const size_t rowSize = static_cast<size_t>(blockWidth) * blockHeight * 2 * sizeof(int16_t);
    for (uint32_t a = 0; a <= angleCount; ++a) {
        table[a] = static_cast<int16_t *>(malloc(rowSize));
        if (table[a] == nullptr) {
            AxisDestroy(table, angleCount);
            return nullptr;
        }
    }

    // The constants are pi and pi/2 to 13 decimals; the step is divided in
    // double precision and kept in single, and each angle is the single
    // product a * step less pi/2 in double precision, kept in single. Row 0
    // is therefore -pi/2 and row angleCount +pi/2 only to single precision.
    const auto step = static_cast<float>(3.1415926535898 / angleCount);
    for (uint32_t a = 0; a <= angleCount; ++a) {
        const float scaled = static_cast<float>(a) * step;
        const auto theta = static_cast<float>(static_cast<double>(scaled) - 1.5707963267949);
        const auto minusSine = static_cast<float>(-std::sin(static_cast<double>(theta)));
        const auto cosine = static_cast<float>(std::cos(static_cast<double>(theta)));
        fill_row(table[a], cosine, minusSine, blockWidth, blockHeight);
    }
    return table;
}

}  // extern "C"
