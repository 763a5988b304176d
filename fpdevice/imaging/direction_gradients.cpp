// Four-direction gradients on a sparse grid of sample points.
#include "fpdevice/imaging_quality.h"
#include "imaging/simd_dispatch.h"

#include <emmintrin.h>

#include <cstddef>
#include <cstdlib>

namespace {

constexpr int kDirections = 4;
constexpr int kLineSamples = 6;

struct Offset {
    int32_t dx;
    int32_t dy;
};

// The six samples of each direction around the centre, dy counting rows
// downward. The order is irrelevant to the sum but kept as documented.
constexpr Offset kLines[kDirections][kLineSamples] = {
    {{-3, 0}, {-2, 0}, {-1, 0}, {1, 0}, {2, 0}, {3, 0}},
    {{-3, 3}, {-2, 2}, {-1, 1}, {1, -1}, {2, -2}, {3, -3}},
    {{0, 3}, {0, 2}, {0, 1}, {0, -1}, {0, -2}, {0, -3}},
    {{-3, -3}, {-2, -2}, {-1, -1}, {1, 1}, {2, 2}, {3, 3}},
};

// How far each direction's line reaches from its centre across columns and
// across rows.
constexpr int32_t kReachX[kDirections] = {3, 3, 0, 3};
constexpr int32_t kReachY[kDirections] = {0, 3, 3, 3};

struct Image {
    const uint8_t *samples;
    int32_t height;
    int32_t width;
};

// The gradient of direction D around the sample at `centre`. Row offsets are
// formed in full width: a 16-bit dy * width would wrap for rows longer than
// 10922 samples.
template <int D, int K>
int32_t line_sample(const uint8_t *centre, ptrdiff_t width) {
    constexpr Offset offset = kLines[D][K];
    return centre[offset.dx + offset.dy * width];
}

template <int D>
uint16_t line_gradient(const uint8_t *centre, ptrdiff_t width) {
    // Written out sample by sample so that every offset is a constant.
    const int32_t samples[kLineSamples] = {
        line_sample<D, 0>(centre, width), line_sample<D, 1>(centre, width), line_sample<D, 2>(centre, width),
        line_sample<D, 3>(centre, width), line_sample<D, 4>(centre, width), line_sample<D, 5>(centre, width),
    };
    const int32_t sum = centre[0] + samples[0] + samples[1] + samples[2] + samples[3] + samples[4] + samples[5];
    // The mean of all seven, rounded down; the centre itself is not compared.
    const int32_t mean = sum / 7;
    int32_t gradient = 0;
    for (const int32_t sample : samples) {
        const int32_t deviation = sample - mean;
        gradient += deviation < 0 ? -deviation : deviation;
    }
    return static_cast<uint16_t>(gradient);
}

struct Grid {
    int32_t rows;
    int32_t cols;

    size_t cells() const { return static_cast<size_t>(rows) * static_cast<size_t>(cols); }
};

Grid grid_of(int16_t height, int16_t width, uint8_t step) { return Grid{height / step, width / step}; }

// A zero-filled grid; never null for an empty grid unless out of memory.
uint16_t *new_grid(const Grid &grid) {
    const size_t cells = grid.cells();
    return static_cast<uint16_t *>(calloc(cells > 0 ? cells : 1, sizeof(uint16_t)));
}

// The cells first ... last of one grid axis whose centres (cell * step) lie
// at least `reach` samples inside 0 ... extent - 1: small steps put the
// lines of edge cells outside the image, and such cells stay 0 rather than
// read samples of other rows or beyond the buffer.
void cells_inside(int32_t &first, int32_t &last, uint8_t step, int32_t reach, int32_t extent) {
    const int32_t lowest = (reach + step - 1) / step;
    const int32_t highest = extent - 1 - reach < 0 ? -1 : (extent - 1 - reach) / step;
    first = first > lowest ? first : lowest;
    last = last < highest ? last : highest;
}

// The grid step whose cells line_gradients_of_eight takes eight at a time.
constexpr uint8_t kLaneStep = 4;

// line_gradient<D> of the eight cells whose centres lie at centre,
// centre + 4, ..., centre + 28, in 16-bit lanes. A 16-byte read from a
// sample's place beside the first centre holds that sample of four cells in
// bytes 0, 4, 8 and 12; two reads give all eight. The sums stay below 7 * 255
// and the spreads below 6 * 255, so 16 bits hold them; the mean is the high
// half of the product with 9363 = ceil(2^16 / 7), which is the integer
// quotient by 7 for every sum up to 7 * 255. The reads reach 31 bytes past
// the centre plus the sample's column offset: three bytes beyond the eighth
// cell's samples.
template <int D>
void line_gradients_of_eight(const uint8_t *centre, ptrdiff_t width, uint16_t *out) {
    const __m128i lowByte = _mm_set1_epi32(0xFF);
    const auto samples = [&](ptrdiff_t offset) {
        const auto *at = reinterpret_cast<const __m128i *>(centre + offset);
        return _mm_packs_epi32(_mm_and_si128(_mm_loadu_si128(at), lowByte),
                               _mm_and_si128(_mm_loadu_si128(at + 1), lowByte));
    };
    __m128i line[kLineSamples];
    __m128i sum = samples(0);
    for (int k = 0; k < kLineSamples; ++k) {
        line[k] = samples(kLines[D][k].dx + kLines[D][k].dy * width);
        sum = _mm_add_epi16(sum, line[k]);
    }
    const __m128i mean = _mm_mulhi_epu16(sum, _mm_set1_epi16(9363));
    __m128i gradient = _mm_setzero_si128();
    for (const __m128i sample : line) {
        const __m128i spread = _mm_or_si128(_mm_subs_epu16(sample, mean), _mm_subs_epu16(mean, sample));
        gradient = _mm_add_epi16(gradient, spread);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out), gradient);
}

// Cells (i, j) for i in firstRow ... lastRow, j in firstCol ... lastCol.
template <int D>
void compute_cells(const Image &image, uint8_t step, const Grid &grid, uint16_t *values, int32_t firstRow,
                   int32_t lastRow, int32_t firstCol, int32_t lastCol, bool lanes) {
    cells_inside(firstRow, lastRow, step, kReachY[D], image.height);
    cells_inside(firstCol, lastCol, step, kReachX[D], image.width);
    for (int32_t i = firstRow; i <= lastRow; ++i) {
        const uint8_t *row = image.samples + static_cast<ptrdiff_t>(i) * step * image.width;
        uint16_t *out = values + static_cast<size_t>(i) * grid.cols;
        int32_t j = firstCol;
        if (lanes && step == kLaneStep) {
            // A cell to spare after the eight keeps the three bytes read
            // beyond them inside the image.
            for (; j + 8 <= lastCol; j += 8) {
                line_gradients_of_eight<D>(row + static_cast<ptrdiff_t>(j) * step, image.width, out + j);
            }
        }
        for (; j <= lastCol; ++j) {
            out[j] = line_gradient<D>(row + static_cast<ptrdiff_t>(j) * step, image.width);
        }
    }
}

void compute_direction(int d, const Image &image, uint8_t step, const Grid &grid, uint16_t *values, int32_t firstRow,
                       int32_t lastRow, int32_t firstCol, int32_t lastCol) {
    const bool lanes = fpdevice::imaging::ChosenSimdPath() != fpdevice::imaging::SimdPath::kScalar;
    switch (d) {
        case 0: compute_cells<0>(image, step, grid, values, firstRow, lastRow, firstCol, lastCol, lanes); break;
        case 1: compute_cells<1>(image, step, grid, values, firstRow, lastRow, firstCol, lastCol, lanes); break;
        case 2: compute_cells<2>(image, step, grid, values, firstRow, lastRow, firstCol, lastCol, lanes); break;
        default: compute_cells<3>(image, step, grid, values, firstRow, lastRow, firstCol, lastCol, lanes); break;
    }
}

bool valid_image(const uint8_t *image, int16_t height, int16_t width, uint8_t step) {
    return image != nullptr && height >= 1 && width >= 1 && step != 0;
}

}  // namespace

extern "C" {

FPDEVICE_API int32_t FpGetImg4DirectionGrads(const uint8_t *image, int16_t height, int16_t width, uint16_t **grid,
                                             uint8_t direction, uint8_t step) {
    if (grid == nullptr) {
        return 2;
    }
    *grid = nullptr;
    if (!valid_image(image, height, width, step)) {
        return 2;
    }
    const Grid shape = grid_of(height, width, step);
    uint16_t *values = new_grid(shape);
    if (values == nullptr) {
        return 1;
    }
    *grid = values;
    // The grid is handed out before the direction is checked: callers have
    // always released it on this result.
    if (direction >= kDirections) {
        return 2;
    }
    const Image source{image, height, width};
    compute_direction(direction, source, step, shape, values, 1, shape.rows - 1, 1, shape.cols - 1);
    return 0;
}

FPDEVICE_API uint16_t **FpGetImg4DirectionGradsEx(const uint8_t *image, int16_t height, int16_t width, uint8_t step) {
    if (!valid_image(image, height, width, step)) {
        return nullptr;
    }
    const Grid shape = grid_of(height, width, step);
    auto **set = static_cast<uint16_t **>(calloc(kDirections, sizeof(uint16_t *)));
    if (set == nullptr) {
        return nullptr;
    }
    for (int d = 0; d < kDirections; ++d) {
        set[d] = new_grid(shape);
        if (set[d] == nullptr) {
            for (int k = 0; k < d; ++k) {
                free(set[k]);
            }
            free(set);
            return nullptr;
        }
    }
    // One ring more than the single-direction grid stays 0: the last row and
    // column as well as the first.
    const Image source{image, height, width};
    for (int d = 0; d < kDirections; ++d) {
        compute_direction(d, source, step, shape, set[d], 1, shape.rows - 2, 1, shape.cols - 2);
    }
    return set;
}

}  // extern "C"
