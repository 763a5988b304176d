// Orientation change between neighbouring blocks of an orientation field.
#include "fpdevice/imaging_orientation.h"
#include "imaging/local_sums_impl.h"
#include "imaging/orientation_internal.h"
#include "imaging/scratch.h"

#include <cmath>
#include <cstddef>
#include <cstdlib>

namespace img = fpdevice::imaging;

extern "C" {

FPDEVICE_API int16_t AngleDiffAbs(int16_t a, int16_t b) { return img::angle_diff_abs(a, b); }

FPDEVICE_API int32_t FingerprintOrientGrad(BlockField *result, const BlockField *source) {
    if (result == nullptr || source == nullptr || source->data == nullptr) {
        return 2;
    }
    const uint16_t blockSize = source->blockSize;
    const uint16_t h = source->rows;
    const uint16_t w = source->cols;
    const size_t rows = h;
    const size_t cols = w;
    const size_t count = rows * cols;
    // At least one element, so that an empty field still gets a plane.
    const size_t planeSize = count > 0 ? count : 1;
    img::Scratch<uint16_t> change = img::scratch_zeroed<uint16_t>(planeSize);
    img::Scratch<uint16_t> scratch = img::scratch_alloc<uint16_t>(planeSize);
    // The source is read in full before the result's old plane goes, so
    // result and source may be the same record.
    auto finish = [&](uint16_t *plane) {
        free(result->data);
        result->blockSize = blockSize;
        result->rows = h;
        result->cols = w;
        result->data = reinterpret_cast<int16_t *>(plane);
    };
    if (change == nullptr || scratch == nullptr) {
        finish(nullptr);
        return 1;
    }
    const int16_t *theta = source->data;
    for (size_t y = 0; y + 1 < rows; ++y) {
        for (size_t x = 0; x + 1 < cols; ++x) {
            const int16_t here = theta[y * cols + x];
            const int d1 = img::angle_diff_abs(here, theta[y * cols + x + 1]);
            const int d2 = img::angle_diff_abs(here, theta[(y + 1) * cols + x]);
            // Root in double precision, truncated; the last row and column
            // stay 0.
            change[y * cols + x] = static_cast<uint16_t>(std::sqrt(static_cast<double>(d1 * d1 + d2 * d2)));
        }
    }
    // Two 3 x 3 box sums make a 5 x 5 kernel of weights 1 2 3 2 1 per
    // direction (81 in all, cut at the border); the 16-bit sums do not wrap
    // for orientations of -90 ... 90 (at most 81 * 127).
    if (img::image_window_sum(scratch.get(), change.get(), h, w, 3, 3) != 0 ||
        img::image_window_sum(change.get(), scratch.get(), h, w, 3, 3) != 0) {
        finish(nullptr);
        return 1;
    }
    for (size_t i = 0; i < count; ++i) {
        // The weighted mean rounded half up, signed 32-bit division.
        change[i] = static_cast<uint16_t>((static_cast<int32_t>(change[i]) + 41) / 81);
    }
    finish(change.release());
    return 0;
}

}  // extern "C"
