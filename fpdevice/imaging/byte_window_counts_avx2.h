// Window counts of byte planes in byte sums, 32 columns at a time on AVX2, for
// windows of radius 4 along the rows (9 columns: the width the segmentation
// cleans its masks with). Private to the library; callers check for AVX2.
//
// The columns are summed first: one row of column sums is kept up to date
// (the row entering the window added, the row leaving it subtracted), and
// each output row sums 9 neighbouring column sums. Counts wrap at 256, and a
// sum modulo 256 of the same samples is the same in any order or grouping, so
// every count is the one of the running sums of window_sum_rows. The 9 columns
// are summed as three sums of three neighbours, 3 columns apart: two passes of
// three shifted reads each, where a prefix scan of the row would move lanes
// across the vector's halves five times.
#ifndef FPDEVICE_IMAGING_BYTE_WINDOW_COUNTS_AVX2_H
#define FPDEVICE_IMAGING_BYTE_WINDOW_COUNTS_AVX2_H

#include "imaging/local_sums_impl.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <type_traits>

namespace fpdevice::imaging {

// The row radius the tripled sums serve.
inline constexpr int kTripledRadius = 4;

namespace byte_window_counts {

using U8x32 = LaneVector<uint8_t, 32>::type;

// Zero column sums on each side of the row: the triples read one column
// beyond a 32-byte block that itself starts 32 bytes before the row.
inline constexpr size_t kColumnEdge = 64;
inline constexpr size_t kTripleEdge = 32;

template <typename Load>
[[gnu::target("avx2"), gnu::always_inline]] inline void Counted(U8x32 &v, const uint8_t *p) {
    load_into(v, p);
    if constexpr (std::is_same_v<Load, NonZeroAsOne>) {
        v = (U8x32)(v != 0) & 1;
    }
}

// Moves the column sums on by one row: the counted samples of row `in` are
// added and kept in `keep` (its copy in the ring, since the plane is
// rewritten before the row leaves the window), those of the kept row
// `removed` subtracted.
template <typename Load, bool Add, bool Subtract>
[[gnu::target("avx2"), gnu::always_inline]] inline void StepColumns(uint8_t *columns, uint8_t *keep, const uint8_t *in,
                                                                    const uint8_t *removed, size_t width) {
    size_t x = 0;
    for (; x + 32 <= width; x += 32) {
        U8x32 c, a, d;
        load_into(c, columns + x);
        if constexpr (Subtract) {
            load_into(d, removed + x);
            c -= d;
        }
        if constexpr (Add) {
            Counted<Load>(a, in + x);
            store_vector(keep + x, a);
            c += a;
        }
        store_vector(columns + x, c);
    }
    for (; x < width; ++x) {
        uint8_t c = columns[x];
        if constexpr (Subtract) {
            c = static_cast<uint8_t>(c - removed[x]);
        }
        if constexpr (Add) {
            const uint8_t a = Load::template scalar<uint8_t>(in[x]);
            keep[x] = a;
            c = static_cast<uint8_t>(c + a);
        }
        columns[x] = c;
    }
}

// Writes one output row from the column sums: triples[x] = columns[x - 1] +
// columns[x] + columns[x + 1], count[x] = triples[x - 3] + triples[x] +
// triples[x + 3]. Columns beyond the row are zero, which cuts the windows at
// the border.
template <typename Rule>
[[gnu::target("avx2"), gnu::always_inline]] inline void EmitRow(uint8_t *row, const uint8_t *columns, uint8_t *triples,
                                                                size_t width, size_t paddedWidth, const Rule &rule) {
    for (ptrdiff_t x = -static_cast<ptrdiff_t>(kTripleEdge); x <= static_cast<ptrdiff_t>(paddedWidth); x += 32) {
        U8x32 left, centre, right;
        load_into(left, columns + x - 1);
        load_into(centre, columns + x);
        load_into(right, columns + x + 1);
        store_vector(triples + x, left + centre + right);
    }
    auto count = [&](U8x32 & sum, size_t x) __attribute__((always_inline)) {
        U8x32 left, right;
        load_into(left, triples + x - 3);
        load_into(sum, triples + x);
        load_into(right, triples + x + 3);
        sum += left + right;
    };
    size_t x = 0;
    for (; x + 32 <= width; x += 32) {
        U8x32 sum;
        count(sum, x);
        rule.apply32(sum, row + x);
    }
    if (x < width) {
        U8x32 sum;
        count(sum, x);
        uint8_t sums[32];
        store_vector(sums, sum);
        for (size_t i = x; i < width; ++i) {
            rule.one(sums[i - x], row[i]);
        }
    }
}

}  // namespace byte_window_counts

// Window counts of a height x width byte plane counted as load says, for a
// row radius of kTripledRadius and any column radius ry, each output row
// rewritten in place by rule.apply32 (32 counts as a vector) and rule.one.
// Returns 0, or 1 when the scratch cannot be allocated (nothing written).
template <typename Load, typename Rule>
[[gnu::target("avx2")]] int byte_window_counts_avx2(uint8_t *plane, int height, int width, int ry, const Rule &rule) {
    namespace bwc = byte_window_counts;
    if (height <= 0 || width <= 0) {
        return 0;
    }
    const size_t w = static_cast<size_t>(width);
    const size_t pw = padded_width<uint8_t>(w);
    // Live rows: those of the window and the one entering it.
    int ringRows = 2 * ry + 2;
    ringRows = ringRows < height ? ringRows : height;
    const size_t columnsSize = bwc::kColumnEdge + pw + bwc::kColumnEdge;
    const size_t triplesSize = bwc::kTripleEdge + pw + bwc::kTripleEdge;
    uint8_t *scratch =
        static_cast<uint8_t *>(calloc(columnsSize + triplesSize + static_cast<size_t>(ringRows) * pw, 1));
    if (scratch == nullptr) {
        return 1;
    }
    uint8_t *columns = scratch + bwc::kColumnEdge;
    uint8_t *triples = scratch + columnsSize + bwc::kTripleEdge;
    uint8_t *ring = scratch + columnsSize + triplesSize;
    auto slot = [&](int y) { return ring + static_cast<size_t>(y % ringRows) * pw; };
    auto rowAt = [&](int y) { return plane + static_cast<size_t>(y) * w; };

    const int head = ry < height ? ry : height - 1;
    for (int y = 0; y <= head; ++y) {
        bwc::StepColumns<Load, true, false>(columns, slot(y), rowAt(y), nullptr, w);
    }
    for (int y = 0; y < height; ++y) {
        bwc::EmitRow(rowAt(y), columns, triples, w, pw, rule);
        // Row `added` lies below y and is still as it was.
        const int added = y + ry + 1;
        const int removed = y - ry;
        if (added < height && removed >= 0) {
            bwc::StepColumns<Load, true, true>(columns, slot(added), rowAt(added), slot(removed), w);
        } else if (added < height) {
            bwc::StepColumns<Load, true, false>(columns, slot(added), rowAt(added), nullptr, w);
        } else if (removed >= 0) {
            bwc::StepColumns<Load, false, true>(columns, nullptr, nullptr, slot(removed), w);
        }
    }
    free(scratch);
    return 0;
}

}  // namespace fpdevice::imaging

#endif
