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

// The same extrema from bit masks of the steps between neighbouring points:
// bit j of `up` (`down`) is set when point j + 1 lies above (below) point j,
// j = 0 ... 31. In those terms the loop finds a peak wherever a rise is
// followed, after any run of level steps, by a fall: it starts at the point
// after the rise and ends at the point where the fall begins (a valley is a
// fall, level steps, a rise). A rise followed by level steps and another
// rise starts nothing that lasts, as the later rise starts afresh; a fall
// with no rise before it (a flat opening) ends nothing. Profiles and the
// spacing histogram are read in 16-byte vectors, so they are held with
// padding (kPaddedProfile).
constexpr int32_t kPaddedProfile = 48;

using fpdevice::imaging::load_vector;
using fpdevice::imaging::U8x16;

uint32_t BitsOf(U8x16 lanes) { return static_cast<uint32_t>(_mm_movemask_epi8((__m128i)lanes)); }

// The extrema that open with a step of `opening` and close with one of
// `closing`, in order. Adding the opening steps, each moved to the point
// after it, to the mask of level steps carries each through the level run
// that follows; it comes to rest on the first step that is not level, the
// only bits of the sum outside the level steps. Those that are closing steps
// at points 1 ... 31 end an extremum, which starts at the last opening point
// at or before its end.
void extrema_of(uint64_t opening, uint64_t closing, uint64_t level, Extrema *e) {
    constexpr uint64_t kPoints = ((uint64_t{1} << (kProfile - 2)) - 1) << 1;  // points 1 ... 31
    const uint64_t starts = opening << 1;
    uint64_t ends = (level + starts) & ~level & closing & kPoints;
    e->count = 0;
    for (; ends != 0; ends &= ends - 1) {
        const int32_t end = __builtin_ctzll(ends);
        const int32_t start = 63 - __builtin_clzll(starts & ((uint64_t{2} << end) - 1));
        append(e, (start + end) / 2);
    }
}

void find_extrema_in_lanes(const uint8_t *p, Extrema *peaks, Extrema *valleys) {
    uint64_t up = 0;
    uint64_t down = 0;
    for (int32_t first = 0; first < kProfile - 1; first += 16) {
        const U8x16 at = load_vector<U8x16>(p + first);
        const U8x16 next = load_vector<U8x16>(p + first + 1);
        up |= static_cast<uint64_t>(BitsOf((U8x16)(at < next))) << first;
        down |= static_cast<uint64_t>(BitsOf((U8x16)(at > next))) << first;
    }
    // The bits above j = 31 count as level steps; no extremum ends there.
    const uint64_t level = ~(up | down);
    extrema_of(up, down, level, peaks);
    // spacing_value reads the valleys only when there are fewer than three
    // peaks.
    if (peaks->count >= 3) {
        valleys->count = 0;
        return;
    }
    extrema_of(down, up, level, valleys);
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

// Offsets along the ridge for t = 1, 2 as (x, y). Shifts of negative
// products round toward minus infinity.
struct AlongRidge {
    int32_t step[kSpread][2];

    AlongRidge(int32_t c, int32_t s) {
        for (int32_t t = 1; t <= kSpread; ++t) {
            step[t - 1][0] = (t * c) >> 8;
            step[t - 1][1] = (t * s) >> 8;
        }
    }
};

// The profile point at (px, py) when some of its samples may lie outside:
// the mean of those inside. With none inside, the point keeps the value the
// profile had there.
void sample_point_near_border(const Image &im, int32_t px, int32_t py, const AlongRidge &along, uint8_t *point) {
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
        add(px + along.step[t][0], py + along.step[t][1]);
        add(px - along.step[t][0], py - along.step[t][1]);
    }
    if (count != 0) {
        *point = static_cast<uint8_t>(sum / count);
    }
}

// Whether all five samples of the point at (px, py) lie inside: the
// neighbours lie at most kSpread samples away in each axis.
bool point_inside(const Image &im, int32_t px, int32_t py) {
    return px >= kSpread && py >= kSpread && px + kSpread < im.width && py + kSpread < im.height;
}

// Profile across the ridges through (x, y) for direction (c, s).
void sample_profile(const Image &im, int32_t x, int32_t y, int32_t c, int32_t s, uint8_t *profile) {
    const AlongRidge along(c, s);
    for (int32_t k = -kReach; k <= kReach; ++k) {
        const int32_t px = x - ((k * s) >> 8);
        const int32_t py = y + ((k * c) >> 8);
        if (!point_inside(im, px, py)) {
            sample_point_near_border(im, px, py, along, profile + k + kReach);
            continue;
        }
        // All five samples lie inside: no tests needed.
        const uint8_t *row = im.samples + static_cast<intptr_t>(py) * im.width;
        uint32_t sum = row[px];
        for (int32_t t = 0; t < kSpread; ++t) {
            const intptr_t offset = static_cast<intptr_t>(along.step[t][1]) * im.width + along.step[t][0];
            sum += row[px + offset] + row[px - offset];
        }
        profile[k + kReach] = static_cast<uint8_t>(sum / (2 * kSpread + 1));
    }
}

// Where the samples of a profile lie relative to its centre sample, for one
// direction: the 33 points (as row offsets and as x and y), then the two
// neighbours along the ridge on each side. The same shifts as in
// sample_profile, worked out once per direction instead of once per cell.
struct ProfileOffsets {
    int32_t theta = -1;
    intptr_t point[kProfile] = {};
    int32_t pointX[kProfile] = {};
    int32_t pointY[kProfile] = {};
    intptr_t along[kSpread] = {};
    AlongRidge alongRidge{0, 0};

    void Set(int32_t direction, int32_t c, int32_t s, int32_t width) {
        theta = direction;
        alongRidge = AlongRidge(c, s);
        for (int32_t k = -kReach; k <= kReach; ++k) {
            pointX[k + kReach] = -((k * s) >> 8);
            pointY[k + kReach] = (k * c) >> 8;
            point[k + kReach] = static_cast<intptr_t>(pointY[k + kReach]) * width + pointX[k + kReach];
        }
        for (int32_t t = 1; t <= kSpread; ++t) {
            along[t - 1] = static_cast<intptr_t>((t * s) >> 8) * width + ((t * c) >> 8);
        }
    }
};

// sample_profile through the direction's offsets: only the points that may
// reach outside the image test their samples.
void sample_profile_by_offsets(const Image &im, int32_t x, int32_t y, const ProfileOffsets &offsets, uint8_t *profile) {
    const uint8_t *centre = im.samples + static_cast<intptr_t>(y) * im.width + x;
    const intptr_t a = offsets.along[0];
    const intptr_t b = offsets.along[1];
    for (int32_t i = 0; i < kProfile; ++i) {
        const int32_t px = x + offsets.pointX[i];
        const int32_t py = y + offsets.pointY[i];
        if (!point_inside(im, px, py)) {
            sample_point_near_border(im, px, py, offsets.alongRidge, profile + i);
            continue;
        }
        const uint8_t *q = centre + offsets.point[i];
        const uint32_t sum = q[0] + q[a] + q[-a] + q[b] + q[-b];
        profile[i] = static_cast<uint8_t>(sum / (2 * kSpread + 1));
    }
}

// sample_profile_by_offsets for the four cells (x, y), (x + 4, y), (x, y + 4)
// and (x + 4, y + 4) when every sample of theirs lies inside; they share one
// field block and so one direction. One 8-byte read covers the samples of
// both cells of a row and a second one those of the row 4 below, so the five
// reads of a profile point serve all four cells: bytes 0 and 4 of each
// read, kept alone in the 32-bit lanes 0 ... 3, are summed there (at most
// 5 * 255). The quotient by 5 is the high half of the product with
// 52429 = (2^18 + 1) / 5, shifted by 2: the error sum / (5 * 2^18) is far
// below the gap to the next whole number, so it is the integer quotient.
// The reads past x + 4 stay inside the image's buffer, as the cell at x + 4
// has columns and a row to spare beyond its furthest sample.
//
// Four points at a time go into the four bytes of each lane, and four such
// groups, transposed, give each cell 16 points of its profile in one vector;
// the padding past the last point is 0.
void sample_inside_block_profiles(const Image &im, int32_t x, int32_t y, const ProfileOffsets &offsets,
                                  uint8_t (*profiles)[kPaddedProfile]) {
    const uint8_t *centre = im.samples + static_cast<intptr_t>(y) * im.width + x;
    const intptr_t below = static_cast<intptr_t>(4) * im.width;
    const intptr_t a = offsets.along[0];
    const intptr_t b = offsets.along[1];
    const __m128i lowByte = _mm_set1_epi32(0xFF);
    const __m128i fifth = _mm_set1_epi32(52429);
    const auto point = [&](int32_t i) {
        const uint8_t *q = centre + offsets.point[i];
        const auto samples = [&](intptr_t d) {
            const __m128i upper = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(q + d));
            const __m128i both = _mm_castpd_si128(
                _mm_loadh_pd(_mm_castsi128_pd(upper), reinterpret_cast<const double *>(q + below + d)));
            return _mm_and_si128(both, lowByte);
        };
        __m128i sum = _mm_add_epi32(samples(0), samples(a));
        sum = _mm_add_epi32(sum, samples(-a));
        sum = _mm_add_epi32(sum, samples(b));
        sum = _mm_add_epi32(sum, samples(-b));
        return _mm_srli_epi32(_mm_mulhi_epu16(sum, fifth), 2);
    };
    const auto group = [&](int32_t first) {
        __m128i bytes = _mm_setzero_si128();
        for (int32_t k = 0; k < 4 && first + k < kProfile; ++k) {
            bytes = _mm_or_si128(bytes, _mm_slli_epi32(point(first + k), 8 * k));
        }
        return bytes;
    };
    for (int32_t first = 0; first < kPaddedProfile; first += 16) {
        const __m128i g0 = group(first);
        const __m128i g1 = group(first + 4);
        const __m128i g2 = group(first + 8);
        const __m128i g3 = group(first + 12);
        const __m128i low01 = _mm_unpacklo_epi32(g0, g1);
        const __m128i low23 = _mm_unpacklo_epi32(g2, g3);
        const __m128i high01 = _mm_unpackhi_epi32(g0, g1);
        const __m128i high23 = _mm_unpackhi_epi32(g2, g3);
        const auto store = [&](int32_t cell, __m128i points) {
            _mm_storeu_si128(reinterpret_cast<__m128i *>(profiles[cell] + first), points);
        };
        store(0, _mm_unpacklo_epi64(low01, low23));
        store(1, _mm_unpackhi_epi64(low01, low23));
        store(2, _mm_unpacklo_epi64(high01, high23));
        store(3, _mm_unpackhi_epi64(high01, high23));
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
                // A point of a later cell with no sample inside the image
                // keeps the value of the cell before it, here the block's
                // last, as on the plain path.
                std::memcpy(profile, blockProfiles[3], kProfile);
                continue;
            }
            for (int32_t cy = cy0; cy < cy0 + 2 && cy < nY; ++cy) {
                for (int32_t cx = cx0; cx < cx0 + 2 && cx < nX; ++cx) {
                    const int32_t x = cx * 4;
                    const int32_t y = cy * 4;
                    if (lanes) {
                        sample_profile_by_offsets(im, x, y, offsets, profile);
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
