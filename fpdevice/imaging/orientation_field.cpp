// Block orientation field of a gray image from box-summed Sobel gradient
// products.
#include "fpdevice/imaging_orientation.h"
#include "imaging/local_sums_impl.h"
#include "imaging/orientation_internal.h"
#include "imaging/scratch.h"

#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include <sys/mman.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace img = fpdevice::imaging;

namespace {

// P = 2 Gx Gy and Q = Gy^2 - Gx^2 of the 3 x 3 Sobel gradients at every
// interior sample, 0 on the border. |Gx|, |Gy| <= 1020, so the gradients fit
// 16 bits and both products fit 32 bits; the vector and the scalar forms give
// the same integers.
struct SobelRow {
    const uint8_t *up;
    const uint8_t *mid;
    const uint8_t *down;

    int32_t gx(size_t x) const {
        return 2 * (mid[x + 1] - mid[x - 1]) + (up[x + 1] - up[x - 1]) + (down[x + 1] - down[x - 1]);
    }
    int32_t gy(size_t x) const { return 2 * (down[x] - up[x]) + (down[x - 1] - up[x - 1]) + (down[x + 1] - up[x + 1]); }
};

#if defined(__SSE2__)
// Eight bytes from p widened to 16-bit lanes.
inline __m128i widen8(const uint8_t *p) {
    return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(p)), _mm_setzero_si128());
}

// Samples x ... x + 7 of one row; returns the next x to do.
inline size_t sobel_products_8(const SobelRow &r, size_t x, size_t end, int32_t *p, int32_t *q) {
    for (; x + 8 <= end; x += 8) {
        const __m128i u0 = widen8(r.up + x - 1), u1 = widen8(r.up + x), u2 = widen8(r.up + x + 1);
        const __m128i m0 = widen8(r.mid + x - 1), m2 = widen8(r.mid + x + 1);
        const __m128i d0 = widen8(r.down + x - 1), d1 = widen8(r.down + x), d2 = widen8(r.down + x + 1);
        const __m128i m = _mm_sub_epi16(m2, m0);
        const __m128i gx =
            _mm_add_epi16(_mm_add_epi16(_mm_add_epi16(m, m), _mm_sub_epi16(u2, u0)), _mm_sub_epi16(d2, d0));
        const __m128i c = _mm_sub_epi16(d1, u1);
        const __m128i gy =
            _mm_add_epi16(_mm_add_epi16(_mm_add_epi16(c, c), _mm_sub_epi16(d0, u0)), _mm_sub_epi16(d2, u2));
        // Pairs (gx, gy) against (gy, gx) give gx gy + gy gx = P; pairs
        // (gy, gx) against (gy, -gx) give gy gy - gx gx = Q.
        const __m128i ngx = _mm_sub_epi16(_mm_setzero_si128(), gx);
        const __m128i xyLow = _mm_unpacklo_epi16(gx, gy), xyHigh = _mm_unpackhi_epi16(gx, gy);
        const __m128i yxLow = _mm_unpacklo_epi16(gy, gx), yxHigh = _mm_unpackhi_epi16(gy, gx);
        const __m128i ynLow = _mm_unpacklo_epi16(gy, ngx), ynHigh = _mm_unpackhi_epi16(gy, ngx);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(p + x), _mm_madd_epi16(xyLow, yxLow));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(p + x + 4), _mm_madd_epi16(xyHigh, yxHigh));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(q + x), _mm_madd_epi16(yxLow, ynLow));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(q + x + 4), _mm_madd_epi16(yxHigh, ynHigh));
    }
    return x;
}
#endif

void sobel_products(const uint8_t *image, size_t h, size_t w, int32_t *p, int32_t *q) {
    if (h == 0 || w == 0) {
        return;
    }
    // Border rows and columns stay 0; everything else is written below.
    memset(p, 0, w * sizeof(int32_t));
    memset(q, 0, w * sizeof(int32_t));
    memset(p + (h - 1) * w, 0, w * sizeof(int32_t));
    memset(q + (h - 1) * w, 0, w * sizeof(int32_t));
    for (size_t y = 1; y + 1 < h; ++y) {
        int32_t *pRow = p + y * w;
        int32_t *qRow = q + y * w;
        pRow[0] = qRow[0] = 0;
        pRow[w - 1] = qRow[w - 1] = 0;
        const SobelRow r{image + (y - 1) * w, image + y * w, image + (y + 1) * w};
        size_t x = 1;
#if defined(__SSE2__)
        x = sobel_products_8(r, x, w - 1, pRow, qRow);
#endif
        for (; x + 1 < w; ++x) {
            const int32_t gx = r.gx(x);
            const int32_t gy = r.gy(x);
            pRow[x] = 2 * gx * gy;
            qRow[x] = gy * gy - gx * gx;
        }
    }
}

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
    sobel_products(image, h, w, p.get(), q.get());
    // Box sums in place, wrapping in 32 bits (summed as uint32_t).
    uint32_t *pBits = reinterpret_cast<uint32_t *>(p.get());
    uint32_t *qBits = reinterpret_cast<uint32_t *>(q.get());
    if (img::image_window_sum(pBits, pBits, height, width, window, window) != 0 ||
        img::image_window_sum(qBits, qBits, height, width, window, window) != 0) {
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
            const float angle = doubled_angle(p.get(), q.get(), centre);
            fineAngles[by * cols + bx] = angle;
            rawOrientations[by * cols + bx] = img::orientation_from_doubled(angle);
        }
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
