// Histogram of an 8-bit image from counts of neighbouring sample pairs.
//
// Counting one sample at a time costs one increment of a count in memory per
// sample, and that store is what bounds the loop. Here samples 2i and 2i + 1
// are read as one 16-bit index into a table of 65536 byte counts, so one
// store counts two samples. The table's row (the second sample) and column
// (the first) sums are then the two samples' histograms. A byte count that
// wraps to 0 hands its 256 on to the gray levels of both of its samples at
// once. All counts are exact integers: the histogram is that of the plain
// loop.
#include "imaging/histogram_pairs.h"
#include "imaging/scratch.h"
#include "imaging/simd_dispatch.h"

#include <immintrin.h>

#include <cstddef>
#include <cstring>

namespace fpdevice::imaging {

namespace {

constexpr size_t kLevels = 256;
constexpr size_t kPairs = kLevels * kLevels;

inline void count_pair(uint8_t *table, uint32_t pair, uint32_t *histogram) {
    table[pair] = static_cast<uint8_t>(table[pair] + 1);
    if (table[pair] == 0) {
        histogram[pair & 0xFFu] += 256;
        histogram[pair >> 8] += 256;
    }
}

// Row sums into histogram[row] (the second samples) and column sums into
// histogram[column] (the first samples). A column sum of 256 rows of at most
// 255 stays below 65536, so it is kept in 16-bit lanes: the even columns of
// a row are its 16-bit words' low bytes, the odd ones their high bytes.
void add_column_sums(const uint16_t *even, const uint16_t *odd, uint32_t *histogram) {
    for (size_t j = 0; j < kLevels / 2; ++j) {
        histogram[2 * j] += even[j];
        histogram[2 * j + 1] += odd[j];
    }
}

void add_row_and_column_sums_sse2(const uint8_t *table, uint32_t *histogram) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i lowBytes = _mm_set1_epi16(0xFF);
    __m128i even[kLevels / 16];
    __m128i odd[kLevels / 16];
    for (size_t k = 0; k < kLevels / 16; ++k) {
        even[k] = odd[k] = zero;
    }
    for (size_t row = 0; row < kLevels; ++row) {
        const auto *counts = reinterpret_cast<const __m128i *>(table + row * kLevels);
        __m128i rowSum = zero;
        for (size_t k = 0; k < kLevels / 16; ++k) {
            const __m128i v = _mm_loadu_si128(counts + k);
            rowSum = _mm_add_epi64(rowSum, _mm_sad_epu8(v, zero));
            even[k] = _mm_add_epi16(even[k], _mm_and_si128(v, lowBytes));
            odd[k] = _mm_add_epi16(odd[k], _mm_srli_epi16(v, 8));
        }
        rowSum = _mm_add_epi64(rowSum, _mm_unpackhi_epi64(rowSum, rowSum));
        histogram[row] += static_cast<uint32_t>(_mm_cvtsi128_si32(rowSum));
    }
    uint16_t evenSums[kLevels / 2];
    uint16_t oddSums[kLevels / 2];
    for (size_t k = 0; k < kLevels / 16; ++k) {
        _mm_storeu_si128(reinterpret_cast<__m128i *>(evenSums + 8 * k), even[k]);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(oddSums + 8 * k), odd[k]);
    }
    add_column_sums(evenSums, oddSums, histogram);
}

[[gnu::target("avx2")]] void add_row_and_column_sums_avx2(const uint8_t *table, uint32_t *histogram) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i lowBytes = _mm256_set1_epi16(0xFF);
    __m256i even[kLevels / 32];
    __m256i odd[kLevels / 32];
    for (size_t k = 0; k < kLevels / 32; ++k) {
        even[k] = odd[k] = zero;
    }
    for (size_t row = 0; row < kLevels; ++row) {
        const auto *counts = reinterpret_cast<const __m256i *>(table + row * kLevels);
        __m256i rowSum = zero;
        for (size_t k = 0; k < kLevels / 32; ++k) {
            const __m256i v = _mm256_loadu_si256(counts + k);
            rowSum = _mm256_add_epi64(rowSum, _mm256_sad_epu8(v, zero));
            even[k] = _mm256_add_epi16(even[k], _mm256_and_si256(v, lowBytes));
            odd[k] = _mm256_add_epi16(odd[k], _mm256_srli_epi16(v, 8));
        }
        __m128i half = _mm_add_epi64(_mm256_castsi256_si128(rowSum), _mm256_extracti128_si256(rowSum, 1));
        half = _mm_add_epi64(half, _mm_unpackhi_epi64(half, half));
        histogram[row] += static_cast<uint32_t>(_mm_cvtsi128_si32(half));
    }
    uint16_t evenSums[kLevels / 2];
    uint16_t oddSums[kLevels / 2];
    for (size_t k = 0; k < kLevels / 32; ++k) {
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(evenSums + 16 * k), even[k]);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(oddSums + 16 * k), odd[k]);
    }
    add_column_sums(evenSums, oddSums, histogram);
}

}  // namespace

bool count_by_pairs(const uint8_t *image, uint32_t samples, uint32_t *histogram) {
    const Scratch<uint8_t> table = scratch_zeroed<uint8_t>(kPairs);
    if (table == nullptr) {
        return false;
    }
    // Little-endian 16-bit reads: the low byte of each pair is its first
    // sample, the column of the table. Each pair is read on its own (a wider
    // read would cost a shift and a mask per pair, and the loop is bound by
    // the instructions it issues).
    const auto pairAt = [image](uint32_t at) {
        uint16_t pair;
        std::memcpy(&pair, image + at, sizeof pair);
        return static_cast<uint32_t>(pair);
    };
    uint32_t i = 0;
    for (; i + 8 <= samples; i += 8) {
        count_pair(table.get(), pairAt(i), histogram);
        count_pair(table.get(), pairAt(i + 2), histogram);
        count_pair(table.get(), pairAt(i + 4), histogram);
        count_pair(table.get(), pairAt(i + 6), histogram);
    }
    for (; i + 2 <= samples; i += 2) {
        count_pair(table.get(), pairAt(i), histogram);
    }
    if (i < samples) {
        histogram[image[i]] += 1;
    }
    if (ChosenSimdPath() == SimdPath::kAvx2) {
        add_row_and_column_sums_avx2(table.get(), histogram);
    } else {
        add_row_and_column_sums_sse2(table.get(), histogram);
    }
    return true;
}

}  // namespace fpdevice::imaging
