// Block quality: contrast and coherence of the ridge flow per 16 x 16 block.
#include "fpdevice/imaging_quality.h"
#include "fpdevice/imaging_regions.h"
#include "imaging/simd_dispatch.h"

#include <emmintrin.h>

#include <cstdlib>
#include <cstring>

namespace {

constexpr int kDirections = 4;
constexpr uint8_t kBlockSize = 16;
constexpr int32_t kCellSize = 4;       // pixels per cell edge, the gradient step
constexpr int32_t kCellsPerBlock = 4;  // cells per block edge

struct Layout {
    int32_t cellRows;
    int32_t cellCols;
    int32_t blockRows;  // complete blocks only
    int32_t blockCols;
};

Layout layout_of(int16_t height, int16_t width) {
    const int32_t cellRows = height / kCellSize;
    const int32_t cellCols = width / kCellSize;
    return Layout{cellRows, cellCols, cellRows / kCellsPerBlock, cellCols / kCellsPerBlock};
}

// Fills the record's header and gives it a zero-filled map covering partial
// blocks too. 0, or 1 when the map cannot be allocated (map null).
int32_t start_record(BlkQualityMap *record, int16_t height, int16_t width) {
    record->blockHeight = kBlockSize;
    record->blockWidth = kBlockSize;
    record->rows = static_cast<uint16_t>((height - 1) / kBlockSize + 1);
    record->cols = static_cast<uint16_t>((width - 1) / kBlockSize + 1);
    record->map = static_cast<uint8_t *>(calloc(static_cast<size_t>(record->rows) * record->cols, sizeof(uint8_t)));
    return record->map == nullptr ? 1 : 0;
}

// rate_cells for eight cells at a time in 16-bit lanes: the sums of four
// 16-bit values are taken in 32-bit lanes and divided rounding toward zero,
// as the loop's int division does; the saturating packs to 16 bits (which
// keep every quotient) and then to bytes are the clamp to 0 ... 255. The
// strict signed comparison keeps the lowest direction on a tie. Returns the
// first cell left over.
size_t rate_cells_in_lanes(size_t cells, uint16_t *const *grads, uint8_t *strength, uint8_t *weakest) {
    const auto load = [&](int d, size_t c) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(grads[d] + c)); };
    const auto quarter = [](__m128i sums) {
        return _mm_srai_epi32(_mm_add_epi32(sums, _mm_and_si128(_mm_srai_epi32(sums, 31), _mm_set1_epi32(3))), 2);
    };
    size_t c = 0;
    for (; c + 8 <= cells; c += 8) {
        __m128i lowSums = _mm_setzero_si128();
        __m128i highSums = _mm_setzero_si128();
        __m128i least = load(0, c);
        __m128i best = _mm_setzero_si128();
        for (int d = 0; d < kDirections; ++d) {
            const __m128i values = load(d, c);
            lowSums = _mm_add_epi32(lowSums, _mm_srai_epi32(_mm_unpacklo_epi16(values, values), 16));
            highSums = _mm_add_epi32(highSums, _mm_srai_epi32(_mm_unpackhi_epi16(values, values), 16));
            const __m128i lower = _mm_cmplt_epi16(values, least);
            least = _mm_min_epi16(least, values);
            best = _mm_or_si128(_mm_and_si128(lower, _mm_set1_epi16(static_cast<int16_t>(d))),
                                _mm_andnot_si128(lower, best));
        }
        const __m128i means = _mm_packs_epi32(quarter(lowSums), quarter(highSums));
        const __m128i direction = _mm_slli_epi16(_mm_add_epi16(best, _mm_set1_epi16(1)), 4);
        _mm_storel_epi64(reinterpret_cast<__m128i *>(strength + c), _mm_packus_epi16(means, means));
        _mm_storel_epi64(reinterpret_cast<__m128i *>(weakest + c), _mm_packus_epi16(direction, direction));
    }
    return c;
}

// Per cell: the strength (mean of the four gradients, capped at 255) and the
// direction of least variation, (d + 1) * 16 with the lowest d on a tie.
// Grid values are read as signed 16-bit numbers; the library's own grids
// stay below 1531, so only a caller's own grids can come out negative, and
// such a strength is held at 0.
void rate_cells(const Layout &layout, uint16_t *const *grads, uint8_t *strength, uint8_t *weakest) {
    const size_t cells = static_cast<size_t>(layout.cellRows) * layout.cellCols;
    const bool lanes = fpdevice::imaging::ChosenSimdPath() != fpdevice::imaging::SimdPath::kScalar;
    for (size_t c = lanes ? rate_cells_in_lanes(cells, grads, strength, weakest) : 0; c < cells; ++c) {
        int32_t values[kDirections];
        int32_t sum = 0;
        int best = 0;
        for (int d = 0; d < kDirections; ++d) {
            values[d] = static_cast<int16_t>(grads[d][c]);
            sum += values[d];
            if (values[d] < values[best]) {
                best = d;
            }
        }
        int32_t mean = sum / 4;
        mean = mean > 255 ? 255 : mean < 0 ? 0 : mean;
        strength[c] = static_cast<uint8_t>(mean);
        weakest[c] = static_cast<uint8_t>((best + 1) * 16);
    }
}

// Per complete block: its mean strength times the share of its 16 cells that
// agree on the most frequent weakest direction. The share k / 16 and the
// product are exact in single precision; the score is truncated.
void rate_blocks(const Layout &layout, const uint8_t *strength, const uint8_t *weakest, uint8_t *scores) {
    for (int32_t br = 0; br < layout.blockRows; ++br) {
        for (int32_t bc = 0; bc < layout.blockCols; ++bc) {
            uint32_t votes[kDirections] = {0, 0, 0, 0};
            uint32_t strengthSum = 0;
            for (int32_t r = br * kCellsPerBlock; r < (br + 1) * kCellsPerBlock; ++r) {
                for (int32_t c = bc * kCellsPerBlock; c < (bc + 1) * kCellsPerBlock; ++c) {
                    const size_t cell = static_cast<size_t>(r) * layout.cellCols + c;
                    votes[weakest[cell] / 16 - 1] += 1;
                    strengthSum += strength[cell];
                }
            }
            uint32_t mostVotes = 0;
            for (uint32_t count : votes) {
                mostVotes = count > mostVotes ? count : mostVotes;
            }
            const float dominance = static_cast<float>(mostVotes) / 16.0f;
            const uint32_t meanStrength = strengthSum / 16u;
            auto score = static_cast<uint32_t>(static_cast<float>(meanStrength) * dominance);
            score = score > 255 ? 255 : score;
            scores[static_cast<size_t>(br) * layout.blockCols + bc] = static_cast<uint8_t>(score);
        }
    }
}

// The quality of the complete blocks from the four grids, into the record's
// zero-filled map. 0, 1 when out of memory, or MeanSmooth's failure; the map
// stays zero unless the result is 0.
int32_t rate_image(BlkQualityMap *record, const Layout &layout, uint16_t *const *grads) {
    const size_t cells = static_cast<size_t>(layout.cellRows) * layout.cellCols;
    const size_t blocks = static_cast<size_t>(layout.blockRows) * layout.blockCols;
    auto *strength = static_cast<uint8_t *>(malloc(cells));
    auto *weakest = static_cast<uint8_t *>(malloc(cells));
    auto *scores = static_cast<uint8_t *>(malloc(blocks));
    int32_t result = 1;
    if (strength != nullptr && weakest != nullptr && scores != nullptr) {
        rate_cells(layout, grads, strength, weakest);
        rate_blocks(layout, strength, weakest, scores);
        result =
            MeanSmooth(scores, scores, static_cast<int16_t>(layout.blockRows), static_cast<int16_t>(layout.blockCols));
    }
    if (result == 0) {
        // Each block at its own row and column of the map, which may have a
        // partial block more per row than there are scores.
        for (int32_t br = 0; br < layout.blockRows; ++br) {
            memcpy(record->map + static_cast<size_t>(br) * record->cols,
                   scores + static_cast<size_t>(br) * layout.blockCols, static_cast<size_t>(layout.blockCols));
        }
    }
    free(scores);
    free(weakest);
    free(strength);
    return result;
}

void release_gradient_set(uint16_t **set) {
    for (int d = 0; d < kDirections; ++d) {
        free(set[d]);
    }
    free(set);
}

bool valid_arguments(const BlkQualityMap *record, const uint8_t *image, int16_t height, int16_t width) {
    return record != nullptr && image != nullptr && height >= 1 && width >= 1;
}

// Starts the record (zero map) and lays out the blocks: 0 when there is a
// block to rate, 1 out of memory, 2 for an image with fewer than 16 rows or
// columns (no complete block; the record keeps its zero map).
int32_t prepare_rating(BlkQualityMap *record, int16_t height, int16_t width, Layout *layout) {
    if (start_record(record, height, width) != 0) {
        return 1;
    }
    *layout = layout_of(height, width);
    return layout->blockRows > 0 && layout->blockCols > 0 ? 0 : 2;
}

}  // namespace

extern "C" {

FPDEVICE_API int32_t ImageBlkQuality(BlkQualityMap *record, const uint8_t *image, int16_t height, int16_t width,
                                     void *reserved) {
    (void)reserved;
    if (!valid_arguments(record, image, height, width)) {
        return 2;
    }
    Layout layout{};
    if (const int32_t status = prepare_rating(record, height, width, &layout); status != 0) {
        return status;
    }
    uint16_t **grads = FpGetImg4DirectionGradsEx(image, height, width, kCellSize);
    if (grads == nullptr) {
        return 1;  // out of memory: the arguments were checked above
    }
    const int32_t result = rate_image(record, layout, grads);
    release_gradient_set(grads);
    return result;
}

FPDEVICE_API int32_t ImageBlkQualityEx(BlkQualityMap *record, const uint8_t *image, int16_t height, int16_t width,
                                       void *reserved, uint16_t *const *grads) {
    (void)reserved;
    if (!valid_arguments(record, image, height, width) || grads == nullptr) {
        return 2;
    }
    for (int d = 0; d < kDirections; ++d) {
        if (grads[d] == nullptr) {
            return 2;
        }
    }
    Layout layout{};
    if (const int32_t status = prepare_rating(record, height, width, &layout); status != 0) {
        return status;
    }
    return rate_image(record, layout, grads);
}

}  // extern "C"
