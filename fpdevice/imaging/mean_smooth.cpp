// MeanSmooth: the 3 x 3 box mean with samples outside the image counting 0.
#include "fpdevice/imaging_regions.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Sums of each sample with its left and right neighbours, leaving out the
// neighbours beyond either end of the row. At most 3 x 255, so 16 bits hold
// it.
void row_sums(const uint8_t *__restrict source, uint16_t *__restrict sums, size_t width) {
    if (width == 1) {
        sums[0] = source[0];
        return;
    }
    sums[0] = static_cast<uint16_t>(source[0] + source[1]);
    size_t x = 1;
#if defined(__SSE2__)
    // Eight sums at a time while all three neighbours exist.
    const __m128i zero = _mm_setzero_si128();
    for (; x + 9 <= width; x += 8) {
        const auto load8 = [&](size_t at) {
            return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(source + at)), zero);
        };
        const __m128i sum = _mm_add_epi16(_mm_add_epi16(load8(x - 1), load8(x)), load8(x + 1));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(sums + x), sum);
    }
#endif
    for (; x + 1 < width; ++x) {
        sums[x] = static_cast<uint16_t>(source[x - 1] + source[x] + source[x + 1]);
    }
    sums[width - 1] = static_cast<uint16_t>(source[width - 2] + source[width - 1]);
}

// Always divided by 9, also at the border where fewer samples exist: the
// border of the result is meant to come out darker. At most 9 x 255, so 16
// bits hold the sum.
void column_means(const uint16_t *__restrict above, const uint16_t *__restrict centre, const uint16_t *__restrict below,
                  uint8_t *__restrict destination, size_t width) {
    size_t x = 0;
#if defined(__SSE2__)
    // For sums up to 2295 (and indeed below 32768), the high half of
    // sum * 7282 is exactly sum / 9.
    const __m128i reciprocal = _mm_set1_epi16(7282);
    const auto means8 = [&](size_t at) {
        const auto load = [at](const uint16_t *row) {
            return _mm_loadu_si128(reinterpret_cast<const __m128i *>(row + at));
        };
        const __m128i sum = _mm_add_epi16(_mm_add_epi16(load(above), load(centre)), load(below));
        return _mm_mulhi_epu16(sum, reciprocal);
    };
    for (; x + 16 <= width; x += 16) {
        _mm_storeu_si128(reinterpret_cast<__m128i *>(destination + x), _mm_packus_epi16(means8(x), means8(x + 8)));
    }
#endif
    for (; x < width; ++x) {
        const auto sum = static_cast<uint16_t>(above[x] + centre[x] + below[x]);
        destination[x] = static_cast<uint8_t>(sum / 9);
    }
}

}  // namespace

extern "C" FPDEVICE_API int32_t MeanSmooth(const uint8_t *source, uint8_t *destination, int16_t height, int16_t width) {
    if (source == nullptr || destination == nullptr || height < 1 || width < 1) {
        return 2;
    }
    const auto w = static_cast<size_t>(width);
    // Three rows of row sums in turn, and one row of zeros standing for the
    // rows beyond the top and bottom edges.
    auto *plane = static_cast<uint16_t *>(malloc(4 * w * sizeof(uint16_t)));
    if (plane == nullptr) {
        return 1;
    }
    uint16_t *rows[3] = {plane, plane + w, plane + 2 * w};
    uint16_t *zeros = plane + 3 * w;
    memset(zeros, 0, w * sizeof(uint16_t));

    // Row y + 1 is summed before destination row y is written, and row y was
    // summed before that: when source and destination are the same buffer,
    // every sum still sees the source as it was.
    row_sums(source, rows[0], w);
    for (int32_t y = 0; y < height; ++y) {
        const uint16_t *above = y > 0 ? rows[(y + 2) % 3] : zeros;
        const uint16_t *centre = rows[y % 3];
        const uint16_t *below = zeros;
        if (y + 1 < height) {
            row_sums(source + static_cast<size_t>(y + 1) * w, rows[(y + 1) % 3], w);
            below = rows[(y + 1) % 3];
        }
        column_means(above, centre, below, destination + static_cast<size_t>(y) * w, w);
    }
    free(plane);
    return 0;
}
