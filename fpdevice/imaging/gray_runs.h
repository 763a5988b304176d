// Scanning rows for runs of matching gray levels. Private to the library.
//
// Every scan has a plain per-sample loop, which is also what runs on
// processors without SSE2; on x86-64 (where SSE2 is always present) sixteen
// samples are tested at a time first. Both give the same columns.
#ifndef FPDEVICE_IMAGING_GRAY_RUNS_H
#define FPDEVICE_IMAGING_GRAY_RUNS_H

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace fpdevice::imaging {

// Gray levels lowest ... lowest + span match; an empty range matches nothing.
class GrayRange {
public:
    // The levels p with |p - value| < tolerance.
    static GrayRange within_tolerance(uint8_t value, uint8_t tolerance) {
        if (tolerance == 0) {
            return GrayRange(0, 0, true);
        }
        int32_t lowest = value - tolerance + 1;
        int32_t highest = value + tolerance - 1;
        lowest = lowest < 0 ? 0 : lowest;
        highest = highest > 255 ? 255 : highest;
        return GrayRange(static_cast<uint8_t>(lowest), static_cast<uint8_t>(highest - lowest), false);
    }

    bool empty() const { return empty_; }

    bool matches(uint8_t sample) const {
        // One unsigned comparison: levels below lowest wrap past span.
        return static_cast<uint8_t>(sample - lowest_) <= span_;
    }

    // The first column in x ... end - 1 whose sample does not match, or end.
    int32_t skip_matching(const uint8_t *row, int32_t x, int32_t end) const {
#if defined(__SSE2__)
        for (; x + 16 <= end; x += 16) {
            const uint32_t bits = match_bits(row + x);
            if (bits != 0xFFFFu) {
                return x + __builtin_ctz(~bits);
            }
        }
#endif
        while (x < end && matches(row[x])) {
            ++x;
        }
        return x;
    }

    // The first column in x ... end - 1 whose sample matches, or end.
    int32_t skip_mismatching(const uint8_t *row, int32_t x, int32_t end) const {
#if defined(__SSE2__)
        for (; x + 16 <= end; x += 16) {
            const uint32_t bits = match_bits(row + x);
            if (bits != 0) {
                return x + __builtin_ctz(bits);
            }
        }
#endif
        while (x < end && !matches(row[x])) {
            ++x;
        }
        return x;
    }

    // The smallest column s >= begin such that columns s ... x - 1 all match
    // (x itself when column x - 1 does not).
    int32_t run_start(const uint8_t *row, int32_t x, int32_t begin) const {
#if defined(__SSE2__)
        for (; x - 16 >= begin; x -= 16) {
            const uint32_t misses = ~match_bits(row + x - 16) & 0xFFFFu;
            if (misses != 0) {
                // The highest sample of the sixteen that does not match.
                return x - 16 + (31 - __builtin_clz(misses)) + 1;
            }
        }
#endif
        while (x > begin && matches(row[x - 1])) {
            --x;
        }
        return x;
    }

    // The number of maximal runs of matching samples in a row: the samples
    // that match while their left neighbour (if any) does not.
    uint32_t count_runs(const uint8_t *row, int32_t width) const {
        if (width <= 0) {
            return 0;
        }
        uint32_t runs = matches(row[0]) ? 1u : 0u;
        int32_t x = 1;
#if defined(__SSE2__)
        // Each lane counts the starts it sees, up to 255 chunks at a time;
        // the byte counts are then added up across lanes.
        const __m128i zero = _mm_setzero_si128();
        while (x + 16 <= width) {
            __m128i counts = zero;
            for (int chunk = 0; chunk < 255 && x + 16 <= width; ++chunk, x += 16) {
                const __m128i starts = _mm_andnot_si128(match_lanes(row + x - 1), match_lanes(row + x));
                counts = _mm_sub_epi8(counts, starts);  // a start lane is -1
            }
            const __m128i halves = _mm_sad_epu8(counts, zero);
            runs += static_cast<uint32_t>(_mm_cvtsi128_si32(halves) + _mm_cvtsi128_si32(_mm_srli_si128(halves, 8)));
        }
#endif
        for (; x < width; ++x) {
            runs += (matches(row[x]) && !matches(row[x - 1])) ? 1u : 0u;
        }
        return runs;
    }

private:
    GrayRange(uint8_t lowest, uint8_t span, bool isEmpty)
        : lowest_(lowest),
          span_(span),
          empty_(isEmpty)
#if defined(__SSE2__)
          ,
          lowestLanes_(_mm_set1_epi8(static_cast<char>(lowest))),
          spanLanes_(_mm_set1_epi8(static_cast<char>(span)))
#endif
    {
    }

#if defined(__SSE2__)
    // Lane i all ones when sample p[i] matches, for i = 0 ... 15:
    // t = p - lowest wraps like matches() does, and t <= span exactly when
    // min(t, span) = t.
    __m128i match_lanes(const uint8_t *p) const {
        const __m128i samples = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        const __m128i shifted = _mm_sub_epi8(samples, lowestLanes_);
        return _mm_cmpeq_epi8(_mm_min_epu8(shifted, spanLanes_), shifted);
    }

    // Bit i set when sample p[i] matches.
    uint32_t match_bits(const uint8_t *p) const { return static_cast<uint32_t>(_mm_movemask_epi8(match_lanes(p))); }
#endif

    uint8_t lowest_;
    uint8_t span_;
    bool empty_;
#if defined(__SSE2__)
    __m128i lowestLanes_;
    __m128i spanLanes_;
#endif
};

}  // namespace fpdevice::imaging

#endif
