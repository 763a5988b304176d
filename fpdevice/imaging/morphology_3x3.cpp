// Binary dilation and erosion of byte masks by a fixed 3 x 3 neighbourhood.
//
// Only interior samples (rows 1 ... height - 2, columns 1 ... width - 2) act
// as centres; border samples are read as neighbours. Both routines work from
// the mask as it was before the call: the mask is rewritten row by row while
// a ring of three rows keeps what the next row still needs of the original.
#include "fpdevice/imaging_localsums.h"
#include "imaging/local_sums_impl.h"
#include "imaging/simd_dispatch.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace {

namespace img = fpdevice::imaging;
using img::load_into;
using img::store_vector;

// Row kernels are written once over a vector type V of byte lanes and
// instantiated for 16 lanes (SSE2) and, in functions compiled for AVX2, 32
// lanes. A row's last vector is moved back to end at the row's last column
// and so overlaps the one before: each kernel reads only what it does not
// write (or, rewriting a sample, gives it the same value again), so samples
// done twice come out the same. The plain loops are the scalar path and serve
// rows narrower than a vector.

// Calls block(x) for x = first, first + lanes, ... and finally last, which
// must be at least first.
template <typename Block>
[[gnu::always_inline]] inline void EveryBlock(size_t first, size_t last, size_t lanes, const Block &block) {
    for (size_t x = first; x < last; x += lanes) {
        block(x);
    }
    block(last);
}

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
template <typename V>
[[gnu::always_inline]] inline void ErosionTriplesLanes(uint8_t *triples, const uint8_t *row, size_t w) {
    triples[0] = 0;
    triples[w - 1] = 0;
    if constexpr (sizeof(V) > 1) {
        if (w >= sizeof(V) + 2) {
            EveryBlock(
                1, w - 1 - sizeof(V), sizeof(V), [&](size_t x) __attribute__((always_inline)) {
                    V left, centre, right;
                    load_into(left, row + x - 1);
                    load_into(centre, row + x);
                    load_into(right, row + x + 1);
                    const V all = (V)(left != 0) & (V)(centre != 0) & (V)(right != 0);
                    store_vector(triples + x, all & 1);
                });
            return;
        }
    }
    for (size_t x = 1; x + 1 < w; ++x) {
        triples[x] = static_cast<uint8_t>((row[x - 1] != 0) & (row[x] != 0) & (row[x + 1] != 0));
    }
}

// Dilation of one row from the centres of the rows above, at and below it:
// any neighbouring centre sets the sample to 255.
template <typename V>
[[gnu::always_inline]] inline void DilateRowLanes(uint8_t *row, const uint8_t *above, const uint8_t *same,
                                                  const uint8_t *below, size_t w) {
    // Padded index x + 1 is column x; the sample's own entry is left out, so
    // a lone centre keeps its value.
    if constexpr (sizeof(V) > 1) {
        if (w >= sizeof(V)) {
            EveryBlock(
                0, w - sizeof(V), sizeof(V), [&](size_t x) __attribute__((always_inline)) {
                    V a0, a1, a2, s0, s2, b0, b1, b2, sample;
                    load_into(a0, above + x);
                    load_into(a1, above + x + 1);
                    load_into(a2, above + x + 2);
                    load_into(s0, same + x);
                    load_into(s2, same + x + 2);
                    load_into(b0, below + x);
                    load_into(b1, below + x + 1);
                    load_into(b2, below + x + 2);
                    load_into(sample, row + x);
                    const V none = (V)((a0 | a1 | a2 | s0 | s2 | b0 | b1 | b2) == 0);
                    store_vector(row + x, sample | ~none);
                });
            return;
        }
    }
    for (size_t x = 0; x < w; ++x) {
        const int any =
            above[x] | above[x + 1] | above[x + 2] | same[x] | same[x + 2] | below[x] | below[x + 1] | below[x + 2];
        row[x] = any != 0 ? 255 : row[x];
    }
}

// Erosion of the interior of one row: a sample whose 3 x 3 neighbourhood is
// not all foreground is cleared.
template <typename V>
[[gnu::always_inline]] inline void ErodeRowLanes(uint8_t *row, const uint8_t *above, const uint8_t *same,
                                                 const uint8_t *below, size_t w) {
    if constexpr (sizeof(V) > 1) {
        if (w >= sizeof(V) + 2) {
            EveryBlock(
                1, w - 1 - sizeof(V), sizeof(V), [&](size_t x) __attribute__((always_inline)) {
                    V a, m, b, sample;
                    load_into(a, above + x);
                    load_into(m, same + x);
                    load_into(b, below + x);
                    load_into(sample, row + x);
                    store_vector(row + x, sample & (V)((a & m & b) != 0));
                });
            return;
        }
    }
    for (size_t x = 1; x + 1 < w; ++x) {
        const bool whole = (above[x] & same[x] & below[x]) != 0;
        row[x] = whole ? row[x] : 0;
    }
}

using U8x32 = img::LaneVector<uint8_t, 32>::type;

// One set of row kernels per path.
struct RowKernels {
    void (*triples)(uint8_t *, const uint8_t *, size_t);
    void (*dilate)(uint8_t *, const uint8_t *, const uint8_t *, const uint8_t *, size_t);
    void (*erode)(uint8_t *, const uint8_t *, const uint8_t *, const uint8_t *, size_t);
};

template <typename V>
constexpr RowKernels kPortableKernels = {ErosionTriplesLanes<V>, DilateRowLanes<V>, ErodeRowLanes<V>};

[[gnu::target("avx2")]] void ErosionTriplesAvx2(uint8_t *triples, const uint8_t *row, size_t w) {
    ErosionTriplesLanes<U8x32>(triples, row, w);
}
[[gnu::target("avx2")]] void DilateRowAvx2(uint8_t *row, const uint8_t *above, const uint8_t *same,
                                           const uint8_t *below, size_t w) {
    DilateRowLanes<U8x32>(row, above, same, below, w);
}
[[gnu::target("avx2")]] void ErodeRowAvx2(uint8_t *row, const uint8_t *above, const uint8_t *same, const uint8_t *below,
                                          size_t w) {
    ErodeRowLanes<U8x32>(row, above, same, below, w);
}

RowKernels ChosenKernels() {
    switch (img::ChosenSimdPath()) {
        case img::SimdPath::kScalar: return kPortableKernels<uint8_t>;
        case img::SimdPath::kSse2: return kPortableKernels<img::U8x16>;
        case img::SimdPath::kAvx2: break;
    }
    return {ErosionTriplesAvx2, DilateRowAvx2, ErodeRowAvx2};
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
    const RowKernels kernels = ChosenKernels();
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
        kernels.dilate(mask + y * w, above, same, below, w);
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
    const RowKernels kernels = ChosenKernels();
    auto triples = [&](size_t y) { return ring + (y % 3) * w; };
    kernels.triples(triples(0), mask, w);
    kernels.triples(triples(1), mask + w, w);
    for (size_t y = 1; y + 1 < h; ++y) {
        kernels.triples(triples(y + 1), mask + (y + 1) * w, w);
        const uint8_t *above = triples(y - 1);
        const uint8_t *same = triples(y);
        const uint8_t *below = triples(y + 1);
        kernels.erode(mask + y * w, above, same, below, w);
    }
    free(ring);
    return 0;
}

}  // extern "C"
