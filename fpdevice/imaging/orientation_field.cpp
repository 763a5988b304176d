// Block orientation field of a gray image from box-summed Sobel gradient
// products.
#include "fpdevice/imaging_orientation.h"
#include "imaging/orientation_internal.h"
#include "imaging/scratch.h"

#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include <sys/mman.h>

namespace img = fpdevice::imaging;

namespace {

// The doubled angle of the summed products at one sample: atan2 in double
// precision, kept in single precision. The single value is what the
// orientation is taken from (pi / 2 stored as single lies just above it, so
// ridges at 45 degrees give 45 rather than 44).
float doubled_angle(const int32_t *p, const int32_t *q, size_t at) {
    return static_cast<float>(std::atan2(static_cast<double>(p[at]), static_cast<double>(q[at])));
}

// At least one element: an empty grid still gets a plane of its own.
template <typename T>
img::Scratch<T> allocate(size_t count, bool zeroed) {
    const size_t n = count > 0 ? count : 1;
    return zeroed ? img::scratch_zeroed<T>(n) : img::scratch_alloc<T>(n);
}

// A result plane for the caller. Most of the time of a large field went to
// faulting in the P and Q planes 4 KiB at a time (they are fresh pages on
// every call: the caller frees them and the allocator hands them back to the
// system). Planes of 2 MiB and more are therefore laid on whole 2 MiB pages
// and the kernel is asked to back them with huge pages; the advice is a hint,
// a plane it does not take keeps ordinary pages. free() releases either form.
img::Scratch<int32_t> AllocateResultPlane(size_t count) {
    constexpr size_t kHugePage = size_t{2} << 20;
    const size_t bytes = count * sizeof(int32_t);
    if (bytes < kHugePage) {
        return allocate<int32_t>(count, false);
    }
    const size_t rounded = (bytes + kHugePage - 1) & ~(kHugePage - 1);
    void *block = aligned_alloc(kHugePage, rounded);
    if (block != nullptr) {
        madvise(block, rounded, MADV_HUGEPAGE);
    }
    return img::Scratch<int32_t>(static_cast<int32_t *>(block));
}

}  // namespace

extern "C" {

FPDEVICE_API int32_t FingerprintGetDirectionFloat(const uint8_t *image, uint16_t height, uint16_t width,
                                                  uint16_t fullHeight, uint16_t fullWidth, uint8_t window,
                                                  uint8_t /*unused*/, int32_t **pPlane, int32_t **qPlane,
                                                  BlockField *fine, BlockField *fineChange, BlockField *coarse) {
    if (image == nullptr || pPlane == nullptr || qPlane == nullptr || fine == nullptr || fineChange == nullptr ||
        coarse == nullptr) {
        return 1;
    }
    const size_t h = height;
    const size_t w = width;
    // Fine blocks of 4 x 4 input samples, 8 x 8 pixels of the full-size image.
    const uint16_t rows = static_cast<uint16_t>(height / 4);
    const uint16_t cols = static_cast<uint16_t>(width / 4);
    const size_t fineCount = static_cast<size_t>(rows) * cols;
    fine->blockSize = 8;
    fine->rows = rows;
    fine->cols = cols;
    fineChange->blockSize = 8;
    fineChange->rows = rows;
    fineChange->cols = cols;
    fineChange->data = nullptr;  // cleared, not released: the caller's to free

    // Nothing is handed out on failure; what the routine made is freed with
    // its owners.
    auto fail = [&]() -> int32_t {
        fine->data = nullptr;
        coarse->data = nullptr;
        *pPlane = nullptr;
        *qPlane = nullptr;
        return 1;
    };

    img::Scratch<int32_t> p = AllocateResultPlane(h * w);
    img::Scratch<int32_t> q = AllocateResultPlane(h * w);
    if (p == nullptr || q == nullptr) {
        return fail();
    }
    if (img::GradientProductSums(image, h, w, window, p.get(), q.get()) != 0) {
        return fail();
    }

    img::Scratch<float> fineAngles = allocate<float>(fineCount, false);
    img::Scratch<int16_t> rawOrientations = allocate<int16_t>(fineCount, false);
    img::Scratch<int16_t> fineOrientations = allocate<int16_t>(fineCount, false);
    if (fineAngles == nullptr || rawOrientations == nullptr || fineOrientations == nullptr) {
        return fail();
    }
    for (size_t by = 0; by < rows; ++by) {
        for (size_t bx = 0; bx < cols; ++bx) {
            const size_t centre = (4 * by + 2) * w + 4 * bx + 2;
            fineAngles[by * cols + bx] = doubled_angle(p.get(), q.get(), centre);
        }
    }
    // Converted after the last angle, off the chain of atan2 calls.
    for (size_t i = 0; i < fineCount; ++i) {
        rawOrientations[i] = img::orientation_from_doubled(fineAngles[i]);
    }
    if (img::FingerprintSmoothDirection(fineAngles.get(), fineOrientations.get(), 5, cols, rows) != 0) {
        return fail();
    }
    // The change map is taken from the raw orientations, not the smoothed.
    const BlockField raw = {8, rows, cols, rawOrientations.get()};
    if (FingerprintOrientGrad(fineChange, &raw) != 0) {
        return fail();
    }
    // Owned here until the routine succeeds.
    img::Scratch<int16_t> change(fineChange->data);
    fineChange->data = nullptr;

    // Coarse blocks of 8 x 8 input samples on the 16-pixel grid of the
    // full-size image. That grid is one block larger than the input holds
    // when a full-size side is not a multiple of 16; the extra column and row
    // repeat their neighbours. Full-size dimensions that do not belong to the
    // input are kept inside the grid: blocks beyond the input stay at angle 0.
    const uint16_t rows16 = static_cast<uint16_t>((fullHeight + 15) >> 4);
    const uint16_t cols16 = static_cast<uint16_t>((fullWidth + 15) >> 4);
    const size_t grid = static_cast<size_t>(cols16);
    img::Scratch<float> coarseAngles = allocate<float>(static_cast<size_t>(rows16) * cols16, true);
    img::Scratch<int16_t> coarseOrientations = allocate<int16_t>(static_cast<size_t>(rows16) * cols16, false);
    if (coarseAngles == nullptr || coarseOrientations == nullptr) {
        return fail();
    }
    const size_t blockRows = h / 8 < rows16 ? h / 8 : rows16;
    const size_t blockCols = w / 8 < cols16 ? w / 8 : cols16;
    for (size_t by = 0; by < blockRows; ++by) {
        for (size_t bx = 0; bx < blockCols; ++bx) {
            const size_t centre = (8 * by + 4) * w + 8 * bx + 4;
            coarseAngles[by * grid + bx] = doubled_angle(p.get(), q.get(), centre);
        }
    }
    if (cols16 > w / 8 && cols16 >= 2) {
        for (size_t by = 0; by < rows16; ++by) {
            coarseAngles[by * grid + grid - 1] = coarseAngles[by * grid + grid - 2];
        }
    }
    if (rows16 > h / 8 && rows16 >= 2) {
        float *last = coarseAngles.get() + (static_cast<size_t>(rows16) - 1) * grid;
        const float *above = last - grid;
        for (size_t bx = 0; bx < grid; ++bx) {
            last[bx] = above[bx];
        }
    }
    if (img::FingerprintSmoothDirection(coarseAngles.get(), coarseOrientations.get(), 3, cols16, rows16) != 0) {
        return fail();
    }

    *pPlane = p.release();
    *qPlane = q.release();
    fine->data = fineOrientations.release();
    fineChange->data = change.release();
    coarse->blockSize = 16;
    coarse->rows = rows16;
    coarse->cols = cols16;
    coarse->data = coarseOrientations.release();
    return 0;
}

}  // extern "C"
