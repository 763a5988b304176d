// Local ridge spacing on a grid of 4 x 4-pixel cells.
//
// For each cell a 33-sample gray profile is taken across the ridges (along
// the normal of the local orientation), each profile point averaged with
// four neighbours along the ridge direction. The spacing of its peaks (or
// valleys) gives the cell's value in eighths of a pixel.
#include "fpdevice/imaging_frequency.h"
#include "imaging/local_sums_impl.h"
#include "imaging/simd_dispatch.h"

#include <emmintrin.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int32_t kAngles = 181;  // 0 ... 180 degrees
constexpr int32_t kReach = 16;    // profile points k = -16 ... 16
constexpr int32_t kProfile = 2 * kReach + 1;
constexpr int32_t kSpread = 2;  // neighbours along the ridge, each side
constexpr uint8_t kUnmeasured = 255;

// cos and sin scaled by 256 and truncated. The angle is rounded to single
// precision before the trigonometry, so some products fall just short of a
// whole number and truncate one lower: cos 60 gives 127, sin 90 gives 255.
struct DirectionTables {
    int16_t cos256[kAngles];
    int16_t sin256[kAngles];
};

void build_tables(DirectionTables *t) {
    for (int32_t a = 0; a < kAngles; ++a) {
        const auto alpha = static_cast<float>(a * 3.141592653589793 / 180.0);
        t->cos256[a] = static_cast<int16_t>(256.0 * std::cos(static_cast<double>(alpha)));
        t->sin256[a] = static_cast<int16_t>(256.0 * std::sin(static_cast<double>(alpha)));
    }
}

struct Extrema {
    int32_t at[kProfile];
    int32_t count;
};

void append(Extrema *e, int32_t position) {
    e->at[e->count] = position;
    ++e->count;
}

// Peaks and valleys of the profile, at the middle of a flat top or bottom.
void find_extrema(const uint8_t *p, Extrema *peaks, Extrema *valleys) {
    peaks->count = 0;
    valleys->count = 0;
    int32_t peakStart = -1;
    int32_t peakEnd = -1;
    int32_t valleyStart = -1;
    int32_t valleyEnd = -1;
    for (int32_t i = 1; i < kProfile - 1; ++i) {
        if (p[i - 1] < p[i] && p[i] >= p[i + 1]) {
            peakStart = i;
        }
        if (p[i - 1] <= p[i] && p[i] > p[i + 1]) {
            peakEnd = i;
        }
        if (peakStart >= 0 && peakEnd >= 0 && peakStart <= peakEnd) {
            append(peaks, (peakStart + peakEnd) / 2);
            peakStart = -1;
            peakEnd = -1;
        }
        if (p[i - 1] > p[i] && p[i] <= p[i + 1]) {
            valleyStart = i;
        }
        if (p[i - 1] >= p[i] && p[i] < p[i + 1]) {
            valleyEnd = i;
        }
        if (valleyStart >= 0 && valleyEnd >= 0 && valleyStart <= valleyEnd) {
            append(valleys, (valleyStart + valleyEnd) / 2);
            valleyStart = -1;
            valleyEnd = -1;
        }
    }
}

// The same extrema from bit masks of the profile's turning points, taken 16
// points at a time: bit i - 1 of a mask stands for point i = 1 ... 31.
// Walking the set bits in order applies the loop's updates where they happen;
// at every other point the loop changes nothing. The profile is read up to
// index 33, so it is held with padding (kPaddedProfile).
constexpr int32_t kPaddedProfile = 48;

using fpdevice::imaging::load_vector;
using fpdevice::imaging::U8x16;

uint32_t BitsOf(U8x16 lanes) { return static_cast<uint32_t>(_mm_movemask_epi8((__m128i)lanes)); }

void extrema_of(uint32_t starts, uint32_t ends, Extrema *e) {
    e->count = 0;
    int32_t start = -1;
    int32_t end = -1;
    for (uint32_t any = starts | ends; any != 0; any &= any - 1) {
        const int32_t bit = __builtin_ctz(any);
        if (((starts >> bit) & 1u) != 0) {
            start = bit + 1;
        }
        if (((ends >> bit) & 1u) != 0) {
            end = bit + 1;
        }
        if (start >= 0 && end >= 0 && start <= end) {
            append(e, (start + end) / 2);
            start = -1;
            end = -1;
        }
    }
}

void find_extrema_in_lanes(const uint8_t *p, Extrema *peaks, Extrema *valleys) {
    uint32_t peakStarts = 0, peakEnds = 0, valleyStarts = 0, valleyEnds = 0;
    for (int32_t first = 1; first < kProfile - 1; first += 16) {
        const U8x16 before = load_vector<U8x16>(p + first - 1);
        const U8x16 at = load_vector<U8x16>(p + first);
        const U8x16 after = load_vector<U8x16>(p + first + 1);
        const U8x16 rises = (U8x16)(before < at);
        const U8x16 falls = (U8x16)(before > at);
        const U8x16 fallsNext = (U8x16)(at > after);
        const U8x16 risesNext = (U8x16)(at < after);
        const int32_t shift = first - 1;
        peakStarts |= BitsOf(rises & ~risesNext) << shift;
        peakEnds |= BitsOf(~falls & fallsNext) << shift;
        valleyStarts |= BitsOf(falls & ~fallsNext) << shift;
        valleyEnds |= BitsOf(~rises & risesNext) << shift;
    }
    constexpr uint32_t kPoints = (1u << (kProfile - 2)) - 1;  // points 1 ... 31
    extrema_of(peakStarts & kPoints, peakEnds & kPoints, peaks);
    extrema_of(valleyStarts & kPoints, valleyEnds & kPoints, valleys);
}

// The choice of spacing_value in byte lanes: the scores of d = 2 ... 33 in
// two vectors (those of 32 and 33 always 0), their largest, and the largest d
// that holds it. The scores stay far below 256, as in the loop's bytes.
int32_t best_distance_in_lanes(const uint8_t *histogram) {
    const auto at = [&](int32_t i) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(histogram + i)); };
    const auto scores = [&](int32_t first) {
        return _mm_add_epi8(_mm_add_epi8(at(first - 1), at(first)), at(first + 1));
    };
    const __m128i low = scores(2);
    const __m128i high = scores(18);
    __m128i best = _mm_max_epu8(low, high);
    best = _mm_max_epu8(best, _mm_srli_si128(best, 8));
    best = _mm_max_epu8(best, _mm_srli_si128(best, 4));
    best = _mm_max_epu8(best, _mm_srli_si128(best, 2));
    best = _mm_max_epu8(best, _mm_srli_si128(best, 1));
    best = _mm_set1_epi8(static_cast<char>(_mm_cvtsi128_si32(best)));
    const uint32_t holders = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(low, best))) |
                             static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(high, best))) << 16;
    return 2 + 31 - __builtin_clz(holders);
}

// 8 x the spacing, or kUnmeasured.
int32_t spacing_value(const Extrema &peaks, const Extrema &valleys, bool lanes) {
    if (peaks.count >= 3 || valleys.count >= 3) {
        const Extrema &e = peaks.count >= 3 ? peaks : valleys;
        // Extrema lie at points 1 ... kProfile - 2, so distances stay below
        // kLongest and no window of three past it holds any: its score 0
        // never beats the best, which is at least 1.
        constexpr int32_t kLongest = kProfile - 2;
        uint8_t histogram[kPaddedProfile] = {};
        for (int32_t i = 1; i < e.count; ++i) {
            ++histogram[e.at[i] - e.at[i - 1]];
        }
        if (lanes) {
            return 8 * best_distance_in_lanes(histogram);
        }
        // The distance with the most neighbours within one pixel; ties go to
        // the larger distance, so even spacings of 8 score 9 (value 72).
        int32_t value = kUnmeasured;
        uint8_t best = 0;
        for (int32_t d = 2; d <= kLongest; ++d) {
            const auto s = static_cast<uint8_t>(histogram[d - 1] + histogram[d] + histogram[d + 1]);
            if (s >= best) {
                best = s;
                value = 8 * d;
            }
        }
        return value;
    }
    if (peaks.count == 2 && valleys.count == 2) {
        // From the first to the last of four alternating extrema lie three
        // half periods; 2 * (8 * span / 3) is 8 x the period.
        const int32_t span = valleys.at[0] < peaks.at[0] ? peaks.at[1] - valleys.at[0] : valleys.at[1] - peaks.at[0];
        return 2 * ((8 * span) / 3);
    }
    return kUnmeasured;
}

struct Image {
    const uint8_t *samples;
    int32_t height;
    int32_t width;
};

// Profile across the ridges through (x, y) for direction (c, s). A point
// with no sample inside the image keeps the value the profile had there.
void sample_profile(const Image &im, int32_t x, int32_t y, int32_t c, int32_t s, uint8_t *profile) {
    // Offsets along the ridge for t = 1, 2. Shifts of negative products round
    // toward minus infinity.
    int32_t along[kSpread][2];
    for (int32_t t = 1; t <= kSpread; ++t) {
        along[t - 1][0] = (t * c) >> 8;
        along[t - 1][1] = (t * s) >> 8;
    }
    const int32_t margin = kReach + kSpread + 1;
    const bool inside = x >= margin && y >= margin && x + margin < im.width && y + margin < im.height;
    for (int32_t k = -kReach; k <= kReach; ++k) {
        const int32_t px = x - ((k * s) >> 8);
        const int32_t py = y + ((k * c) >> 8);
        if (inside) {
            // Every point lies inside: no tests needed.
            const uint8_t *row = im.samples + static_cast<intptr_t>(py) * im.width;
            uint32_t sum = row[px];
            for (int32_t t = 0; t < kSpread; ++t) {
                const intptr_t offset = static_cast<intptr_t>(along[t][1]) * im.width + along[t][0];
                sum += row[px + offset] + row[px - offset];
            }
            profile[k + kReach] = static_cast<uint8_t>(sum / (2 * kSpread + 1));
            continue;
        }
        uint32_t sum = 0;
        uint32_t count = 0;
        const auto add = [&](int32_t qx, int32_t qy) {
            if (qx >= 0 && qy >= 0 && qx < im.width && qy < im.height) {
                sum += im.samples[static_cast<intptr_t>(qy) * im.width + qx];
                ++count;
            }
        };
        add(px, py);
        for (int32_t t = 0; t < kSpread; ++t) {
            add(px + along[t][0], py + along[t][1]);
            add(px - along[t][0], py - along[t][1]);
        }
        if (count != 0) {
            profile[k + kReach] = static_cast<uint8_t>(sum / count);
        }
    }
}

// Where the samples of a profile lie relative to its centre sample, for one
// direction: the 33 points, then the two neighbours along the ridge on each
// side. The same shifts as in sample_profile, folded into row offsets once
// per direction instead of once per cell.
struct ProfileOffsets {
    int32_t theta = -1;
    intptr_t point[kProfile] = {};
    intptr_t along[kSpread] = {};

    void Set(int32_t direction, int32_t c, int32_t s, int32_t width) {
        theta = direction;
        for (int32_t k = -kReach; k <= kReach; ++k) {
            point[k + kReach] = static_cast<intptr_t>((k * c) >> 8) * width - ((k * s) >> 8);
        }
        for (int32_t t = 1; t <= kSpread; ++t) {
            along[t - 1] = static_cast<intptr_t>((t * s) >> 8) * width + ((t * c) >> 8);
        }
    }
};

// sample_profile for a cell whose every sample lies inside the image.
void sample_inside_profile(const Image &im, int32_t x, int32_t y, const ProfileOffsets &offsets, uint8_t *profile) {
    const uint8_t *centre = im.samples + static_cast<intptr_t>(y) * im.width + x;
    const intptr_t a = offsets.along[0];
    const intptr_t b = offsets.along[1];
    for (int32_t i = 0; i < kProfile; ++i) {
        const uint8_t *q = centre + offsets.point[i];
        const uint32_t sum = q[0] + q[a] + q[-a] + q[b] + q[-b];
        profile[i] = static_cast<uint8_t>(sum / (2 * kSpread + 1));
    }
}

// sample_inside_profile for the four cells (x, y), (x + 4, y), (x, y + 4)
// and (x + 4, y + 4), which share one field block and so one direction. One
// 8-byte read covers the samples of both cells of a row, so the five reads
// of a profile point serve two cells, and the sums of the two rows are added
// in 16-bit lanes (at most 5 * 255). The quotient by 5 is the high half of
// the product with 52429 = (2^18 + 1) / 5, shifted by 2: the error
// sum / (5 * 2^18) is far below the gap to the next whole number, so it is
// the integer quotient. Lanes 0 and 4 of each row belong to the cells; the
// reads past x + 4 stay inside the image's buffer, as the cell at x + 4 has
// columns and a row to spare beyond its furthest sample.
void sample_inside_block_profiles(const Image &im, int32_t x, int32_t y, const ProfileOffsets &offsets,
                                  uint8_t (*profiles)[kPaddedProfile]) {
    const uint8_t *centre = im.samples + static_cast<intptr_t>(y) * im.width + x;
    const intptr_t below = static_cast<intptr_t>(4) * im.width;
    const intptr_t a = offsets.along[0];
    const intptr_t b = offsets.along[1];
    const __m128i zero = _mm_setzero_si128();
    const __m128i fifth = _mm_set1_epi16(static_cast<int16_t>(52429));
    const auto rowSums = [&](const uint8_t *q) {
        const auto wide = [&](intptr_t d) {
            return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(q + d)), zero);
        };
        __m128i sum = _mm_add_epi16(wide(0), wide(a));
        sum = _mm_add_epi16(sum, wide(-a));
        sum = _mm_add_epi16(sum, wide(b));
        return _mm_add_epi16(sum, wide(-b));
    };
    for (int32_t i = 0; i < kProfile; ++i) {
        const uint8_t *q = centre + offsets.point[i];
        const __m128i top = _mm_srli_epi16(_mm_mulhi_epu16(rowSums(q), fifth), 2);
        const __m128i bottom = _mm_srli_epi16(_mm_mulhi_epu16(rowSums(q + below), fifth), 2);
        uint8_t lanes[16];
        _mm_storeu_si128(reinterpret_cast<__m128i *>(lanes), _mm_packus_epi16(top, bottom));
        profiles[0][i] = lanes[0];
        profiles[1][i] = lanes[4];
        profiles[2][i] = lanes[8];
        profiles[3][i] = lanes[12];
    }
}

bool profile_inside(const Image &im, int32_t x, int32_t y) {
    const int32_t margin = kReach + kSpread + 1;
    return x >= margin && y >= margin && x + margin < im.width && y + margin < im.height;
}

}  // namespace

extern "C" int32_t FpGetFrequency(const uint8_t *image, int16_t height, int16_t width, const BlockField *field,
                                  uint8_t **map) {
    if (map != nullptr) {
        *map = nullptr;
    }
    if (image == nullptr || field == nullptr || field->data == nullptr || map == nullptr || field->rows == 0 ||
        field->cols == 0 || height < 1 || width < 1) {
        return 2;
    }
    DirectionTables tables;
    build_tables(&tables);

    const int32_t nX = width >> 2;
    const int32_t nY = height >> 2;
    // One byte at least, so that an image too small for a cell still gets a
    // map to free rather than a null that reads as failure.
    const size_t cells = static_cast<size_t>(nX) * static_cast<size_t>(nY);
    auto *out = static_cast<uint8_t *>(std::malloc(cells == 0 ? 1 : cells));
    if (out == nullptr) {
        return 1;
    }
    std::memset(out, kUnmeasured, cells);

    const Image im{image, height, width};
    uint8_t profile[kPaddedProfile] = {};
    const bool lanes = fpdevice::imaging::ChosenSimdPath() != fpdevice::imaging::SimdPath::kScalar;
    ProfileOffsets offsets;
    Extrema peaks;
    Extrema valleys;
    const int32_t lastRow = field->rows - 1;
    const int32_t lastCol = field->cols - 1;
    // The cells of one 8 x 8 field block share its direction: where all four
    // lie inside, their profiles are sampled together.
    const auto cellDirection = [&](int32_t x, int32_t y) {
        const int32_t by = (y >> 3) < lastRow ? (y >> 3) : lastRow;
        const int32_t bx = (x >> 3) < lastCol ? (x >> 3) : lastCol;
        // The field's rows run from the bottom of the image up.
        int32_t theta = field->data[static_cast<size_t>(lastRow - by) * field->cols + bx];
        if (theta < -90 || theta > 90) {
            return -1;  // no table entry: the cell stays unmeasured
        }
        return theta < 0 ? theta + 180 : theta;
    };
    const auto measure = [&](int32_t cx, int32_t cy, const uint8_t *p) {
        if (lanes) {
            find_extrema_in_lanes(p, &peaks, &valleys);
        } else {
            find_extrema(p, &peaks, &valleys);
        }
        const int32_t v = spacing_value(peaks, valleys, lanes);
        out[static_cast<size_t>(cy) * nX + cx] = static_cast<uint8_t>(v > 255 ? 255 : v);
    };
    uint8_t blockProfiles[4][kPaddedProfile] = {};
    for (int32_t cy0 = 0; cy0 < nY; cy0 += 2) {
        for (int32_t cx0 = 0; cx0 < nX; cx0 += 2) {
            const int32_t x0 = cx0 * 4;
            const int32_t y0 = cy0 * 4;
            const int32_t theta = cellDirection(x0, y0);
            if (theta < 0) {
                continue;
            }
            if (offsets.theta != theta) {
                offsets.Set(theta, tables.cos256[theta], tables.sin256[theta], width);
            }
            if (lanes && cx0 + 1 < nX && cy0 + 1 < nY && profile_inside(im, x0, y0) &&
                profile_inside(im, x0 + 4, y0 + 4)) {
                sample_inside_block_profiles(im, x0, y0, offsets, blockProfiles);
                measure(cx0, cy0, blockProfiles[0]);
                measure(cx0 + 1, cy0, blockProfiles[1]);
                measure(cx0, cy0 + 1, blockProfiles[2]);
                measure(cx0 + 1, cy0 + 1, blockProfiles[3]);
                continue;
            }
            for (int32_t cy = cy0; cy < cy0 + 2 && cy < nY; ++cy) {
                for (int32_t cx = cx0; cx < cx0 + 2 && cx < nX; ++cx) {
                    const int32_t x = cx * 4;
                    const int32_t y = cy * 4;
                    if (lanes && profile_inside(im, x, y)) {
                        sample_inside_profile(im, x, y, offsets, profile);
                    } else {
                        sample_profile(im, x, y, tables.cos256[theta], tables.sin256[theta], profile);
                    }
                    measure(cx, cy, profile);
                }
            }
        }
    }
    *map = out;
    return 0;
}
