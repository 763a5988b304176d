// Foreground threshold from the modes of a histogram drawn as a bar picture.
//
// The smoothed histogram is drawn as 256 bars, one per column, and the
// picture is cleaned with binary morphology: the cleaning closes narrow
// notches and removes thin spikes that a direct scan of the counts would
// take for peaks. The threshold is then placed by the first peaks of the
// cleaned profile and the valley after the first peak.
#include "fpdevice/imaging_localsums.h"
#include "fpdevice/imaging_primitives.h"
#include "fpdevice/imaging_segmentation.h"
#include "imaging/histogram_extrema.h"
#include "imaging/scratch.h"

#include <cstring>

namespace {

using fpdevice::imaging::clamped_bin;
using fpdevice::imaging::ExtremaList;
using fpdevice::imaging::kHistogramBins;

constexpr int32_t kSide = 256;  // the bar picture is kSide x kSide
constexpr int32_t kSignificantBar = 10;

// Three-bin mean, rounded down; the end bins average the two that exist.
void smooth_three(uint32_t *h) {
    uint32_t s[kHistogramBins];
    s[0] = (h[0] + h[1]) / 2;
    for (int32_t i = 1; i < kHistogramBins - 1; ++i) {
        s[i] = (h[i - 1] + h[i] + h[i + 1]) / 3;
    }
    s[kHistogramBins - 1] = (h[kHistogramBins - 2] + h[kHistogramBins - 1]) / 2;
    std::memcpy(h, s, sizeof s);
}

struct Significant {
    int32_t first = -1;
    int32_t last = -1;
};

// Draws bar i in column i, rows 0 ... bar - 1, and clears the rest of the
// picture. Bars are scaled so that the largest count, or 5 % of the total
// when the largest is above that, is 255: one dominant bin must not flatten
// the rest of the profile. The picture is written row by row (a bar is a
// column: drawn down the column, every sample would be a store to another
// cache line).
Significant draw_bars(const uint32_t *h, uint8_t *picture) {
    uint32_t total = 0;
    uint32_t largest = 0;
    for (int32_t i = 0; i < kHistogramBins; ++i) {
        total += h[i];
        largest = h[i] > largest ? h[i] : largest;
    }
    if (static_cast<double>(largest) > 0.05 * static_cast<double>(total)) {
        largest = static_cast<uint32_t>(0.05 * static_cast<double>(total));
    }
    Significant range;
    uint8_t bars[kHistogramBins] = {};
    if (largest != 0) {
        // With fewer than 20 counts in all, 255 / 0 would scale nothing
        // sensibly, and every bar stays empty.
        const auto scale = static_cast<float>(255.0 / static_cast<double>(largest));
        for (int32_t i = 0; i < kHistogramBins; ++i) {
            const float scaled = static_cast<float>(h[i]) * scale;
            // Compared before the conversion: counts far above the 5 % cap
            // give values beyond any integer type.
            const int32_t bar = scaled >= 255.0F ? 255 : static_cast<int32_t>(scaled);
            if (bar > kSignificantBar) {
                if (range.first < 0) {
                    range.first = i;
                }
                range.last = i;
            }
            bars[i] = static_cast<uint8_t>(bar);
        }
    }
    for (int32_t y = 0; y < kSide; ++y) {
        uint8_t *row = picture + y * kSide;
        const auto level = static_cast<uint8_t>(y);
        for (int32_t x = 0; x < kSide; ++x) {
            row[x] = bars[x] > level ? 255 : 0;
        }
    }
    return range;
}

// Dilation by window count, erosion by the full window, then one 3 x 3
// erosion and dilation. False when a step could not run.
bool clean_bars(uint8_t *picture) {
    return MY_BWDilateFastUint16(picture, kSide, kSide, 9, 9) == 0 &&
           MY_BWErodeFastUint16(picture, kSide, kSide, 9, 9) == 0 && BErode(picture, kSide, kSide) == 0 &&
           BDilate(picture, kSide, kSide) == 0;
}

// Column x becomes the highest row set in it, 0 for an empty column (so a
// solid bar of height n reads back as n - 1). Read row by row, as it was
// drawn: the last row that has a column set is that column's highest.
void read_profile(const uint8_t *picture, uint32_t *h) {
    uint8_t top[kSide] = {};
    for (int32_t y = 0; y < kSide; ++y) {
        const uint8_t *row = picture + y * kSide;
        const auto level = static_cast<uint8_t>(y);
        for (int32_t x = 0; x < kSide; ++x) {
            top[x] = row[x] != 0 ? level : top[x];
        }
    }
    for (int32_t x = 0; x < kSide; ++x) {
        h[x] = top[x];
    }
}

// (p - f) * 1.5 + p in single precision, integer part. A lift past the
// last gray level stops at 255: wrapped to its low 8 bits (300 to 44) it
// would put the threshold below the peak and mark nearly the whole image.
uint8_t lift(int32_t p, int32_t f) {
    const float v = static_cast<float>(p - f) * 1.5F + static_cast<float>(p);
    const auto t = static_cast<int32_t>(v);
    return static_cast<uint8_t>(t > 255 ? 255 : t);
}

uint8_t blend(uint8_t x, int32_t valley) { return static_cast<uint8_t>(static_cast<int32_t>(0.6 * x + 0.4 * valley)); }

// A peak whose drop to the valley is small and shallow.
bool is_weak(const uint32_t *h, int32_t peak, int32_t valley) {
    const uint32_t drop = clamped_bin(h, peak) - clamped_bin(h, valley);  // wraps on a rise
    const int32_t distance = peak > valley ? peak - valley : valley - peak;
    if (drop > 34) {
        return false;
    }
    // A peak on the valley's bin has an infinite slope: not weak.
    return distance != 0 && static_cast<float>(drop) / static_cast<float>(distance) < 3.0F;
}

uint8_t choose_threshold(const uint32_t *h, Significant range, const ExtremaList &peaks, const ExtremaList &valleys) {
    const int32_t f = range.first;
    const int32_t l = range.last;
    const int32_t n = peaks.count;
    if (n == 0) {
        return 0;
    }
    const int32_t p0 = peaks.bin[0];
    if (n == 1) {
        return l - p0 < 5 * (p0 - f) ? static_cast<uint8_t>((f + p0) / 2) : lift(p0, f);
    }
    const int32_t p1 = peaks.bin[1];
    // The first valley after p0. Between two peaks the scan always lists a
    // valley, so with two peaks the second valley exists when the first lies
    // before p0.
    const int32_t valley = valleys.bin[0] > p0 ? valleys.bin[0] : valleys.bin[1];
    const auto v = static_cast<uint8_t>(valley);
    if (n > 2) {
        // Unsigned: a rise after p0 wraps to a large drop.
        const uint32_t drop = clamped_bin(h, p0) - clamped_bin(h, p0 + 5);
        if (drop > 30) {
            const uint8_t t = lift(p0, f);
            return t < p1 ? t : v;
        }
        return v;
    }
    if (is_weak(h, p0, valley)) {
        return l - p1 < 3 * (p1 - f) ? static_cast<uint8_t>((f + p1) / 2) : blend(lift(p1, f), valley);
    }
    if (is_weak(h, p1, valley)) {
        if (l - p0 < 3 * (p0 - f)) {
            return static_cast<uint8_t>((f + p0) / 2);
        }
        const uint8_t t = blend(lift(p0, f), valley);
        return t < p1 ? t : v;
    }
    return v;
}

// Places the threshold on the cleaned bar picture of the histogram; false
// when the picture cannot be made.
bool threshold_from_bars(uint32_t *h, int32_t *threshold) {
    smooth_three(h);

    const fpdevice::imaging::Scratch<uint8_t> picture = fpdevice::imaging::scratch_alloc<uint8_t>(kSide * kSide);
    if (picture == nullptr) {
        return false;
    }
    const Significant range = draw_bars(h, picture.get());
    if (!clean_bars(picture.get())) {
        return false;
    }
    read_profile(picture.get(), h);

    ExtremaList peaks;
    ExtremaList valleys;
    if (range.first >= 0) {
        fpdevice::imaging::find_histogram_extrema(h, range.first, range.last, &peaks, &valleys);
    } else {
        peaks.count = 0;
        valleys.count = 0;
    }
    *threshold = choose_threshold(h, range, peaks, valleys);
    return true;
}

}  // namespace

extern "C" uint32_t FpThresholdingGradsImage(uint8_t *image, int16_t height, int16_t width) {
    return fpdevice::imaging::threshold_image(image, height, width, threshold_from_bars);
}
