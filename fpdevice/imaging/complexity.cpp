// Shape complexity of the region of one gray value: boundary squared over
// area, which grows with a ragged or elongated outline.
#include "fpdevice/imaging_frequency.h"
#include "imaging/simd_dispatch.h"

#include <emmintrin.h>

#include <cmath>
#include <cstddef>

namespace {

struct Counts {
    int32_t area = 0;
    int32_t inner = 0;
};

// Samples x = first ... last - 1 of one interior row, one at a time.
void CountSamples(const uint8_t *row, ptrdiff_t w, int32_t first, int32_t last, uint8_t value, Counts *counts) {
    for (int32_t x = first; x < last; ++x) {
        if (row[x] != value) {
            continue;
        }
        ++counts->area;
        // Inner when the four edge neighbours share a set bit: for a 0/255
        // mask, when all four are foreground.
        if ((row[x - w] & row[x + w] & row[x - 1] & row[x + 1]) != 0) {
            ++counts->inner;
        }
    }
}

// The same counts 16 samples at a time; the rest of the row one at a time.
// Each hit is a byte 1, and the sums of absolute differences from zero add
// them up in 64-bit lanes. Returns the first sample left over.
int32_t CountLanes(const uint8_t *row, ptrdiff_t w, int32_t width, uint8_t value, Counts *counts) {
    const auto load = [](const uint8_t *at) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(at)); };
    const auto total = [](__m128i sums) {
        return static_cast<int32_t>(_mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
    };
    const __m128i wanted = _mm_set1_epi8(static_cast<char>(value));
    const __m128i zero = _mm_setzero_si128();
    const __m128i one = _mm_set1_epi8(1);
    __m128i area = zero;
    __m128i inner = zero;
    int32_t x = 1;
    for (; x + 16 < width; x += 16) {
        const __m128i in = _mm_cmpeq_epi8(load(row + x), wanted);
        const __m128i shared = _mm_and_si128(_mm_and_si128(load(row + x - w), load(row + x + w)),
                                             _mm_and_si128(load(row + x - 1), load(row + x + 1)));
        const __m128i surrounded = _mm_andnot_si128(_mm_cmpeq_epi8(shared, zero), in);
        area = _mm_add_epi64(area, _mm_sad_epu8(_mm_and_si128(in, one), zero));
        inner = _mm_add_epi64(inner, _mm_sad_epu8(_mm_and_si128(surrounded, one), zero));
    }
    counts->area += total(area);
    counts->inner += total(inner);
    return x;
}

}  // namespace

extern "C" float Complexity(const uint8_t *image, int16_t height, int16_t width, uint8_t value) {
    if (image == nullptr) {
        return -1.0F;
    }
    const auto w = static_cast<ptrdiff_t>(width);
    const bool lanes = fpdevice::imaging::ChosenSimdPath() != fpdevice::imaging::SimdPath::kScalar;
    Counts counts;
    for (int32_t y = 1; y < height - 1; ++y) {
        const uint8_t *row = image + y * w;
        const int32_t first = lanes ? CountLanes(row, w, width, value, &counts) : 1;
        CountSamples(row, w, first, width - 1, value, &counts);
    }
    if (counts.area == 0) {
        // Boundary and area are both 0: no shape to rate.
        return std::nanf("");
    }
    const auto boundary = static_cast<float>(counts.area - counts.inner);
    return boundary * boundary / static_cast<float>(counts.area);
}
