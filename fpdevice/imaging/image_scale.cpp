// 2x enlargement (pixel doubling) and 2x reduction (3 x 3 smoothing) of gray
// images into new storage.
#include "fpdevice/imaging_primitives.h"
#include "imaging/local_sums_impl.h"
#include "imaging/scratch.h"
#include "imaging/simd_dispatch.h"

#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

// Weights of the separable reduction kernel (a, b, a). They sum to 0.9999,
// not 1: a uniform source of 100 reduces to 99. Kept as they are, since
// stored results depend on them.
constexpr float kSide = 0.2992f;
constexpr float kCentre = 0.4015f;

// One row of the kernel at (row, column): the side samples are added as
// integers before the single-precision multiplication.
float smooth_row(const uint8_t *row, uint32_t column) {
    const int32_t sides = row[column - 1] + row[column + 1];
    return kCentre * static_cast<float>(row[column]) + kSide * static_cast<float>(sides);
}

namespace img = fpdevice::imaging;

// Pixel doubling of one row, 16 source samples into 32 result samples at a
// time; returns the first result column left for the plain loop.
uint32_t DoubleRowLanes(uint8_t *resultRow, const uint8_t *sourceRow, uint32_t resultWidth) {
    uint32_t x = 0;
    for (; x + 32 <= resultWidth; x += 32) {
        const auto v = img::load_vector<img::U8x16>(sourceRow + x / 2);
        img::store_vector(resultRow + x, __builtin_shufflevector(v, v, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7));
        img::store_vector(resultRow + x + 16,
                          __builtin_shufflevector(v, v, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14, 15, 15));
    }
    return x;
}

// Smoothed reduction of result samples begin, begin + 1, ... (before stop)
// of one row, Lanes at a time: each lane does the single-precision steps of smooth_row and of the
// sum in ImageReduce in the same order (no contraction: the library is built
// without it). Returns the first x left for the plain loop. The loads reach
// source column 2 x + 2 Lanes, one beyond the block's last sample, so a block
// is done this way only where that column exists. Source row 2 y + 1 is the
// lower row of result row y and the upper one of row y + 1: its smoothed
// samples are kept in carried (from begin on) and, when reuse is set, read
// back instead of taken again (the same float values, so the sum does not change).
// Stores byte 0 of every 4-byte lane of quads.
template <typename Quads, size_t... Lane>
[[gnu::always_inline]] inline void StoreLowBytes(uint8_t *out, const Quads &quads, std::index_sequence<Lane...>) {
    using Bytes = typename img::LaneVector<uint8_t, sizeof...(Lane)>::type;
    const Bytes low = __builtin_shufflevector(quads, quads, (4 * Lane)...);
    img::store_vector(out, low);
}

template <size_t Lanes>
[[gnu::always_inline]] inline uint32_t ReduceRowLanes(uint8_t *resultRow, const uint8_t *above, const uint8_t *centre,
                                                      const uint8_t *below, float *carried, bool reuse, uint32_t begin,
                                                      uint32_t stop, uint32_t sourceWidth) {
    using Pairs = typename img::LaneVector<uint16_t, Lanes>::type;
    using Ints = typename img::LaneVector<int32_t, Lanes>::type;
    using Words = typename img::LaneVector<uint32_t, Lanes>::type;
    using Floats = typename img::LaneVector<float, Lanes>::type;
    auto smooth = [&](const uint8_t *row, uint32_t column, Floats &out) __attribute__((always_inline)) {
        // Byte pairs from column - 1: the left neighbour in the low byte, the
        // centre in the high one; from column + 1: the right neighbour low.
        Pairs fromLeft, fromRight;
        img::load_into(fromLeft, row + column - 1);
        img::load_into(fromRight, row + column + 1);
        // The integer sum of the sides is at most 510: it fits the 16-bit lanes.
        const Pairs sides = (fromLeft & 0xFF) + (fromRight & 0xFF);
        const Pairs middle = fromLeft >> 8;
        const auto middleInts = (Ints) __builtin_convertvector(middle, Words);
        const auto sideInts = (Ints) __builtin_convertvector(sides, Words);
        out = kCentre * __builtin_convertvector(middleInts, Floats) + kSide * __builtin_convertvector(sideInts, Floats);
    };
    uint32_t x = begin;
    for (; x + Lanes <= stop && 2 * (x + Lanes) < sourceWidth; x += Lanes) {
        Floats a, c, b;
        if (reuse) {
            img::load_into(a, carried + (x - begin));
        } else {
            smooth(above, 2 * x, a);
        }
        smooth(centre, 2 * x, c);
        smooth(below, 2 * x, b);
        img::store_vector(carried + (x - begin), b);
        const Floats value = kCentre * c + kSide * (a + b);
        // Truncated toward zero, as the plain loop's conversion.
        const Ints truncated = __builtin_convertvector(value, Ints);
        // Each truncated value lies in 0 ... 254: its low byte is the sample.
        using Quads = typename img::LaneVector<uint8_t, 4 * Lanes>::type;
        StoreLowBytes(resultRow + x, (Quads)truncated, std::make_index_sequence<Lanes>{});
    }
    return x;
}

[[gnu::target("avx2")]] uint32_t ReduceRowAvx2(uint8_t *resultRow, const uint8_t *above, const uint8_t *centre,
                                               const uint8_t *below, float *carried, bool reuse, uint32_t begin,
                                               uint32_t stop, uint32_t sourceWidth) {
    return ReduceRowLanes<8>(resultRow, above, centre, below, carried, reuse, begin, stop, sourceWidth);
}

uint32_t ReduceRowSse2(uint8_t *resultRow, const uint8_t *above, const uint8_t *centre, const uint8_t *below,
                       float *carried, bool reuse, uint32_t begin, uint32_t stop, uint32_t sourceWidth) {
    return ReduceRowLanes<4>(resultRow, above, centre, below, carried, reuse, begin, stop, sourceWidth);
}

uint32_t ReduceRowNone(uint8_t *, const uint8_t *, const uint8_t *, const uint8_t *, float *, bool, uint32_t begin,
                       uint32_t, uint32_t) {
    return begin;
}

using ReduceRow = uint32_t (*)(uint8_t *, const uint8_t *, const uint8_t *, const uint8_t *, float *, bool, uint32_t,
                               uint32_t, uint32_t);

// Result columns per strip of the lanes: the carried row of a strip lives on
// the stack.
constexpr uint32_t kStrip = 256;

ReduceRow ChosenReduceRow() {
    switch (img::ChosenSimdPath()) {
        case img::SimdPath::kScalar: return ReduceRowNone;
        case img::SimdPath::kSse2: return ReduceRowSse2;
        case img::SimdPath::kAvx2: break;
    }
    return ReduceRowAvx2;
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
    // Every result sample is written below.
    auto *result = static_cast<uint8_t *>(malloc(static_cast<size_t>(resultHeight) * resultWidth));
    if (result == nullptr) {
        return nullptr;
    }
    const bool lanes = img::ChosenSimdPath() != img::SimdPath::kScalar;
    for (uint32_t y = 0; y < resultHeight; ++y) {
        uint8_t *resultRow = result + y * resultWidth;
        if ((y & 1) != 0 && lanes) {
            // An odd row reads the same source row as the even one above it.
            memcpy(resultRow, resultRow - resultWidth, resultWidth);
            continue;
        }
        const uint8_t *sourceRow = source + (y >> 1) * sourceWidth;
        uint32_t x = lanes ? DoubleRowLanes(resultRow, sourceRow, resultWidth) : 0;
        for (; x < resultWidth; ++x) {
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
    // Every result sample is written below.
    img::Scratch<uint8_t> owned = img::scratch_alloc<uint8_t>(static_cast<size_t>(resultHeight) * resultWidth);
    if (owned == nullptr) {
        return nullptr;
    }
    uint8_t *result = owned.get();
    // Row 0 and column 0 are plain subsamples, without smoothing.
    for (uint32_t x = 0; x < resultWidth; ++x) {
        result[x] = source[2 * x];
    }
    for (uint32_t y = 0; y < resultHeight; ++y) {
        result[y * resultWidth] = source[2 * y * sourceWidth];
    }
    const ReduceRow reduceRow = ChosenReduceRow();
    auto above = [&](uint32_t y) { return source + (2 * y - 1) * sourceWidth; };
    // The lanes go down the image one strip of columns after another and stop
    // at the same column in every row; the plain loop does the rest.
    float carried[kStrip];
    uint32_t lanesEnd = 1;
    for (uint32_t begin = 1; lanesEnd == begin && begin < resultWidth; begin += kStrip) {
        const uint32_t stop = resultWidth - begin < kStrip ? resultWidth : begin + kStrip;
        for (uint32_t y = 1; y < resultHeight; ++y) {
            const uint8_t *row = above(y);
            lanesEnd = reduceRow(result + y * resultWidth, row, row + sourceWidth, row + 2 * sourceWidth, carried,
                                 y > 1, begin, stop, sourceWidth);
        }
    }
    for (uint32_t y = 1; y < resultHeight; ++y) {
        const uint8_t *centre = above(y) + sourceWidth;
        const uint8_t *below = centre + sourceWidth;
        uint8_t *resultRow = result + y * resultWidth;
        for (uint32_t x = lanesEnd; x < resultWidth; ++x) {
            const uint32_t column = 2 * x;
            const float value = kCentre * smooth_row(centre, column) +
                                kSide * (smooth_row(above(y), column) + smooth_row(below, column));
            // Truncated toward zero; the kernel's gain below 1 keeps it under 256.
            resultRow[x] = static_cast<uint8_t>(static_cast<int32_t>(value));
        }
    }
    return owned.release();
}

}  // extern "C"
