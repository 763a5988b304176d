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
    if (!interior || w < 3) {
        memset(padded, 0, w + 2);
        return;
    }
    padded[0] = 0;
    padded[1] = 0;
    memcpy(padded + 2, row + 1, w - 2);
    padded[w] = 0;
    padded[w + 1] = 0;
}

// The smaller of a and b in each lane (one instruction on SSE2 and AVX2).
template <typename V>
[[gnu::always_inline]] inline void KeepSmaller(V &a, const V &b) {
    a = a < b ? a : b;
}

// Erosion test of one mask row: entry x is the least of the samples x - 1, x
// and x + 1 of the original row (interior columns only), non-zero exactly
// when all three are foreground.
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
                    KeepSmaller(left, centre);
                    KeepSmaller(left, right);
                    store_vector(triples + x, left);
                });
            return;
        }
    }
    for (size_t x = 1; x + 1 < w; ++x) {
        uint8_t least = row[x - 1];
        KeepSmaller(least, row[x]);
        KeepSmaller(least, row[x + 1]);
        triples[x] = least;
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

// The vectors at p, p + 1 and p + 2.
template <typename V>
[[gnu::always_inline]] inline void LoadThree(V &first, V &second, V &third, const uint8_t *p) {
    load_into(first, p);
    load_into(second, p + 1);
    load_into(third, p + 2);
}

// DilateRowLanes of two rows, the upper one between centres c0 and c2, the
// lower one between c1 and c3. Each sample ORs the same eight neighbours as
// there; the two rows share the reads of their common centre rows c1 and c2.
template <typename V>
[[gnu::always_inline]] inline void DilateTwoRowsLanes(uint8_t *upper, uint8_t *lower, const uint8_t *c0,
                                                      const uint8_t *c1, const uint8_t *c2, const uint8_t *c3,
                                                      size_t w) {
    if constexpr (sizeof(V) > 1) {
        if (w >= sizeof(V)) {
            EveryBlock(
                0, w - sizeof(V), sizeof(V), [&](size_t x) __attribute__((always_inline)) {
                    V a0, a1, a2, b0, b1, b2, c0x, c1x, c2x, d0, d1, d2, sample;
                    LoadThree(a0, a1, a2, c0 + x);
                    LoadThree(b0, b1, b2, c1 + x);
                    LoadThree(c0x, c1x, c2x, c2 + x);
                    LoadThree(d0, d1, d2, c3 + x);
                    // Columns x - 1 and x + 1 of both shared rows.
                    const V sides = b0 | b2 | c0x | c2x;
                    const V noneUpper = (V)((a0 | a1 | a2 | sides | c1x) == 0);
                    const V noneLower = (V)((d0 | d1 | d2 | sides | b1) == 0);
                    load_into(sample, upper + x);
                    store_vector(upper + x, sample | ~noneUpper);
                    load_into(sample, lower + x);
                    store_vector(lower + x, sample | ~noneLower);
                });
            return;
        }
    }
    DilateRowLanes<uint8_t>(upper, c0, c1, c2, w);
    DilateRowLanes<uint8_t>(lower, c1, c2, c3, w);
}

// Clears the samples at p whose lane of least is zero.
template <typename V>
[[gnu::always_inline]] inline void ClearWhereZero(uint8_t *p, const V &least) {
    V sample;
    load_into(sample, p);
    store_vector(p, sample & (V)(least != 0));
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
                    V a, m, b;
                    load_into(a, above + x);
                    load_into(m, same + x);
                    load_into(b, below + x);
                    KeepSmaller(a, m);
                    KeepSmaller(a, b);
                    ClearWhereZero(row + x, a);
                });
            return;
        }
    }
    for (size_t x = 1; x + 1 < w; ++x) {
        uint8_t least = above[x];
        KeepSmaller(least, same[x]);
        KeepSmaller(least, below[x]);
        row[x] = least != 0 ? row[x] : 0;
    }
}

// ErodeRowLanes of two rows, the upper one between the triples t0 and t2, the
// lower one between t1 and t3; the two share the reads of t1 and t2.
template <typename V>
[[gnu::always_inline]] inline void ErodeTwoRowsLanes(uint8_t *upper, uint8_t *lower, const uint8_t *t0,
                                                     const uint8_t *t1, const uint8_t *t2, const uint8_t *t3,
                                                     size_t w) {
    if constexpr (sizeof(V) > 1) {
        if (w >= sizeof(V) + 2) {
            EveryBlock(
                1, w - 1 - sizeof(V), sizeof(V), [&](size_t x) __attribute__((always_inline)) {
                    V a, b, c, d;
                    load_into(a, t0 + x);
                    load_into(b, t1 + x);
                    load_into(c, t2 + x);
                    load_into(d, t3 + x);
                    KeepSmaller(b, c);
                    KeepSmaller(a, b);
                    KeepSmaller(d, b);
                    ClearWhereZero(upper + x, a);
                    ClearWhereZero(lower + x, d);
                });
            return;
        }
    }
    ErodeRowLanes<uint8_t>(upper, t0, t1, t2, w);
    ErodeRowLanes<uint8_t>(lower, t1, t2, t3, w);
}

using U8x32 = img::LaneVector<uint8_t, 32>::type;

// One set of row kernels per path.
struct RowKernels {
    void (*triples)(uint8_t *, const uint8_t *, size_t);
    void (*dilate)(uint8_t *, const uint8_t *, const uint8_t *, const uint8_t *, size_t);
    void (*dilateTwo)(uint8_t *, uint8_t *, const uint8_t *, const uint8_t *, const uint8_t *, const uint8_t *, size_t);
    void (*erode)(uint8_t *, const uint8_t *, const uint8_t *, const uint8_t *, size_t);
    void (*erodeTwo)(uint8_t *, uint8_t *, const uint8_t *, const uint8_t *, const uint8_t *, const uint8_t *, size_t);
};

template <typename V>
constexpr RowKernels kPortableKernels = {ErosionTriplesLanes<V>, DilateRowLanes<V>, DilateTwoRowsLanes<V>,
                                         ErodeRowLanes<V>, ErodeTwoRowsLanes<V>};

[[gnu::target("avx2")]] void ErosionTriplesAvx2(uint8_t *triples, const uint8_t *row, size_t w) {
    ErosionTriplesLanes<U8x32>(triples, row, w);
}
[[gnu::target("avx2")]] void DilateRowAvx2(uint8_t *row, const uint8_t *above, const uint8_t *same,
                                           const uint8_t *below, size_t w) {
    DilateRowLanes<U8x32>(row, above, same, below, w);
}
[[gnu::target("avx2")]] void DilateTwoRowsAvx2(uint8_t *upper, uint8_t *lower, const uint8_t *c0, const uint8_t *c1,
                                               const uint8_t *c2, const uint8_t *c3, size_t w) {
    DilateTwoRowsLanes<U8x32>(upper, lower, c0, c1, c2, c3, w);
}
[[gnu::target("avx2")]] void ErodeRowAvx2(uint8_t *row, const uint8_t *above, const uint8_t *same, const uint8_t *below,
                                          size_t w) {
    ErodeRowLanes<U8x32>(row, above, same, below, w);
}

[[gnu::target("avx2")]] void ErodeTwoRowsAvx2(uint8_t *upper, uint8_t *lower, const uint8_t *t0, const uint8_t *t1,
                                              const uint8_t *t2, const uint8_t *t3, size_t w) {
    ErodeTwoRowsLanes<U8x32>(upper, lower, t0, t1, t2, t3, w);
}

RowKernels ChosenKernels() {
    switch (img::ChosenSimdPath()) {
        case img::SimdPath::kScalar: return kPortableKernels<uint8_t>;
        case img::SimdPath::kSse2: return kPortableKernels<img::U8x16>;
        case img::SimdPath::kAvx2: break;
    }
    return {ErosionTriplesAvx2, DilateRowAvx2, DilateTwoRowsAvx2, ErodeRowAvx2, ErodeTwoRowsAvx2};
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
    // Four padded rows of centres and one of zeros for the rows beyond the
    // mask.
    const size_t stride = w + 2;
    uint8_t *ring = static_cast<uint8_t *>(malloc(5 * stride));
    if (ring == nullptr) {
        return 1;
    }
    uint8_t *none = ring + 4 * stride;
    memset(none, 0, stride);
    const RowKernels kernels = ChosenKernels();
    auto centres = [&](size_t y) { return y < h ? ring + (y % 4) * stride : none; };
    load_dilation_centres(centres(0), mask, w, false);
    // Rows are written two at a time; only rows y and y + 1 are written in a
    // step, so rows y + 1 and y + 2 are still the original when their
    // centres are taken.
    size_t y = 0;
    for (; y + 2 <= h; y += 2) {
        load_dilation_centres(centres(y + 1), mask + (y + 1) * w, w, y + 2 < h);
        if (y + 2 < h) {
            load_dilation_centres(centres(y + 2), mask + (y + 2) * w, w, y + 3 < h);
        }
        const uint8_t *above = y > 0 ? centres(y - 1) : none;
        kernels.dilateTwo(mask + y * w, mask + (y + 1) * w, above, centres(y), centres(y + 1), centres(y + 2), w);
    }
    if (y < h) {
        // The last row of an odd height: its centres were taken in the step
        // before (or above, for a single row) and nothing lies below.
        const uint8_t *above = y > 0 ? centres(y - 1) : none;
        kernels.dilate(mask + y * w, above, centres(y), none, w);
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
    uint8_t *ring = static_cast<uint8_t *>(malloc(4 * w));
    if (ring == nullptr) {
        return 1;
    }
    const RowKernels kernels = ChosenKernels();
    auto triples = [&](size_t y) { return ring + (y % 4) * w; };
    kernels.triples(triples(0), mask, w);
    kernels.triples(triples(1), mask + w, w);
    // Interior rows two at a time; rows y + 1 and y + 2 are still the
    // original when their triples are taken.
    size_t y = 1;
    for (; y + 3 <= h; y += 2) {
        kernels.triples(triples(y + 1), mask + (y + 1) * w, w);
        kernels.triples(triples(y + 2), mask + (y + 2) * w, w);
        kernels.erodeTwo(mask + y * w, mask + (y + 1) * w, triples(y - 1), triples(y), triples(y + 1), triples(y + 2),
                         w);
    }
    if (y + 1 < h) {
        kernels.triples(triples(y + 1), mask + (y + 1) * w, w);
        kernels.erode(mask + y * w, triples(y - 1), triples(y), triples(y + 1), w);
    }
    free(ring);
    return 0;
}

}  // extern "C"
