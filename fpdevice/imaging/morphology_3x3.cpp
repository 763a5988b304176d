// Binary dilation and erosion of byte masks by a fixed 3 x 3 neighbourhood.
//
// Only interior samples (rows 1 ... height - 2, columns 1 ... width - 2) act
// as centres; border samples are read as neighbours. Both routines work from
// the mask as it was before the call: the mask is rewritten row by row while
// a ring of three rows keeps what the next row still needs of the original.
#include "fpdevice/imaging_localsums.h"
#include "imaging/local_sums_impl.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace {

using fpdevice::imaging::load_vector;
using fpdevice::imaging::store_vector;
using fpdevice::imaging::U8x16;

// Dilation sources of one mask row: the row as it was, with the border
// columns cleared (they are never centres), padded by one zero on each side.
// A row that is not interior holds no centre and is all zeros.
void load_dilation_centres(uint8_t *padded, const uint8_t *row, size_t w, bool interior) {
    memset(padded, 0, w + 2);
    if (interior && w >= 3) {
        memcpy(padded + 2, row + 1, w - 2);
    }
}

// Erosion test of one mask row: entry x is 1 when the samples x - 1, x and
// x + 1 of the original row are all foreground (interior columns only).
void load_erosion_triples(uint8_t *triples, const uint8_t *row, size_t w) {
    memset(triples, 0, w);
    size_t x = 1;
    for (; x + 17 <= w; x += 16) {
        const U8x16 all = (U8x16)(load_vector<U8x16>(row + x - 1) != 0) & (U8x16)(load_vector<U8x16>(row + x) != 0) &
                          (U8x16)(load_vector<U8x16>(row + x + 1) != 0);
        store_vector(triples + x, all & 1);
    }
    for (; x + 1 < w; ++x) {
        triples[x] = static_cast<uint8_t>((row[x - 1] != 0) & (row[x] != 0) & (row[x + 1] != 0));
    }
}

// Dilation of one row from the centres of the rows above, at and below it:
// any neighbouring centre sets the sample to 255.
void dilate_row(uint8_t *row, const uint8_t *above, const uint8_t *same, const uint8_t *below, size_t w) {
    // Padded index x + 1 is column x; the sample's own entry is left out, so
    // a lone centre keeps its value.
    size_t x = 0;
    for (; x + 16 <= w; x += 16) {
        const U8x16 any = load_vector<U8x16>(above + x) | load_vector<U8x16>(above + x + 1) |
                          load_vector<U8x16>(above + x + 2) | load_vector<U8x16>(same + x) |
                          load_vector<U8x16>(same + x + 2) | load_vector<U8x16>(below + x) |
                          load_vector<U8x16>(below + x + 1) | load_vector<U8x16>(below + x + 2);
        const U8x16 none = (U8x16)(any == 0);
        store_vector(row + x, load_vector<U8x16>(row + x) | ~none);
    }
    for (; x < w; ++x) {
        const int any =
            above[x] | above[x + 1] | above[x + 2] | same[x] | same[x + 2] | below[x] | below[x + 1] | below[x + 2];
        row[x] = any != 0 ? 255 : row[x];
    }
}

// Erosion of the interior of one row: a sample whose 3 x 3 neighbourhood is
// not all foreground is cleared.
void erode_row(uint8_t *row, const uint8_t *above, const uint8_t *same, const uint8_t *below, size_t w) {
    size_t x = 1;
    for (; x + 17 <= w; x += 16) {
        const U8x16 whole =
            load_vector<U8x16>(above + x) & load_vector<U8x16>(same + x) & load_vector<U8x16>(below + x);
        store_vector(row + x, load_vector<U8x16>(row + x) & (U8x16)(whole != 0));
    }
    for (; x + 1 < w; ++x) {
        const bool whole = (above[x] & same[x] & below[x]) != 0;
        row[x] = whole ? row[x] : 0;
    }
}

}  // namespace

extern "C" {

FPDEVICE_API int32_t BDilate(uint8_t *mask, uint16_t height, uint16_t width) {
    if (mask == nullptr) {
        return 2;
    }
    const size_t h = height;
    const size_t w = width;
    if (h == 0 || w == 0) {
        return 0;
    }
    // Three padded rows of centres and one of zeros for the rows beyond the
    // mask.
    const size_t stride = w + 2;
    uint8_t *ring = static_cast<uint8_t *>(malloc(4 * stride));
    if (ring == nullptr) {
        return 1;
    }
    uint8_t *none = ring + 3 * stride;
    memset(none, 0, stride);
    auto centres = [&](size_t y) { return ring + (y % 3) * stride; };
    load_dilation_centres(centres(0), mask, w, false);
    for (size_t y = 0; y < h; ++y) {
        // Only row y is written in this step, so row y + 1 is still the
        // original when its centres are taken.
        if (y + 1 < h) {
            load_dilation_centres(centres(y + 1), mask + (y + 1) * w, w, y + 2 < h);
        }
        const uint8_t *above = y > 0 ? centres(y - 1) : none;
        const uint8_t *same = centres(y);
        const uint8_t *below = y + 1 < h ? centres(y + 1) : none;
        dilate_row(mask + y * w, above, same, below, w);
    }
    free(ring);
    return 0;
}

FPDEVICE_API int32_t BErode(uint8_t *mask, uint16_t height, uint16_t width) {
    if (mask == nullptr) {
        return 2;
    }
    const size_t h = height;
    const size_t w = width;
    if (h < 3 || w < 3) {
        return 0;  // no interior sample
    }
    uint8_t *ring = static_cast<uint8_t *>(malloc(3 * w));
    if (ring == nullptr) {
        return 1;
    }
    auto triples = [&](size_t y) { return ring + (y % 3) * w; };
    load_erosion_triples(triples(0), mask, w);
    load_erosion_triples(triples(1), mask + w, w);
    for (size_t y = 1; y + 1 < h; ++y) {
        load_erosion_triples(triples(y + 1), mask + (y + 1) * w, w);
        const uint8_t *above = triples(y - 1);
        const uint8_t *same = triples(y);
        const uint8_t *below = triples(y + 1);
        erode_row(mask + y * w, above, same, below, w);
    }
    free(ring);
    return 0;
}

}  // extern "C"
