// Foreground threshold from the smoothed half-resolution histogram.
//
// The histogram is folded to 128 bins and low-pass filtered, lowered by its
// mean so that the long flat floor of a gradient image counts as empty, and
// cleared of peaks that barely rise above the valley after them. The
// threshold starts at a valley and is pulled toward the lower flank of the
// next peak: 2.5 Gaussian widths below its centre, the width estimated from
// where the peak falls to half its height.
#include "fpdevice/imaging_fft.h"
#include "fpdevice/imaging_primitives.h"
#include "fpdevice/imaging_segmentation.h"
#include "imaging/histogram_extrema.h"

#include <cstring>

namespace {

using fpdevice::imaging::clamped_bin;
using fpdevice::imaging::ExtremaList;
using fpdevice::imaging::kHistogramBins;

constexpr int32_t kHalfBins = 128;

// Level 0 is never foreground evidence; the mean of the 128 bins is taken
// off every bin, rounded down, and what falls below it is empty.
void lower_by_mean(uint32_t *h) {
    h[0] = 0;
    uint32_t sum = 0;
    for (int32_t i = 0; i < kHalfBins; ++i) {
        sum += h[i];
    }
    const uint32_t mean = sum / kHalfBins;
    for (int32_t i = 0; i < kHalfBins; ++i) {
        h[i] = h[i] > mean ? h[i] - mean : 0;
    }
}

void remove_entry(ExtremaList *list, int32_t k) {
    for (int32_t i = k; i + 1 < list->count; ++i) {
        list->bin[i] = list->bin[i + 1];
    }
    --list->count;
}

// Removes every peak but the last whose drop to the valley listed with it is
// less than 30 % of its height; the valley goes with it.
void prune_weak_peaks(const uint32_t *h, ExtremaList *peaks, ExtremaList *valleys) {
    int32_t k = 0;
    while (k < peaks->count) {
        const auto height = static_cast<int32_t>(clamped_bin(h, peaks->bin[k]));
        int32_t drop = height;
        if (k != peaks->count - 1 && k < valleys->count) {
            drop = height - static_cast<int32_t>(clamped_bin(h, valleys->bin[k]));
        }
        if (0.3 * height > drop) {
            remove_entry(peaks, k);
            // Consecutive peaks always have a valley between them, so the
            // valley exists; the test only keeps the count from going
            // negative.
            if (k < valleys->count) {
                remove_entry(valleys, k);
            }
        } else {
            ++k;
        }
    }
}

// Halfway between the peak and the first empty bin below it (or bin 0).
int32_t foot_of_peak(const uint32_t *h, int32_t peak) {
    int32_t i = peak;
    while (i > 0 && clamped_bin(h, i) != 0) {
        --i;
    }
    return (peak + i) / 2;
}

int32_t choose_bin_threshold(const uint32_t *h, const ExtremaList &peaks, const ExtremaList &valleys) {
    const int32_t n = peaks.count;
    if (n == 0) {
        // Nothing but a flat floor: every non-zero sample is foreground.
        return 0;
    }
    if (n == 1) {
        return foot_of_peak(h, peaks.bin[0]);
    }
    if (n == 2) {
        uint32_t below = 0;
        uint32_t above = 0;
        for (int32_t i = 0; i < kHalfBins; ++i) {
            (i < valleys.bin[0] ? below : above) += h[i];
        }
        // A second mode holding less than an eighth of the first is taken
        // for noise, unless the first mode is right at the bottom.
        if (8 * above < below && peaks.bin[0] > 10) {
            return foot_of_peak(h, peaks.bin[0]);
        }
        return valleys.bin[0];
    }
    int32_t highest = 0;
    for (int32_t k = 1; k < n; ++k) {
        if (clamped_bin(h, peaks.bin[k]) > clamped_bin(h, peaks.bin[highest])) {
            highest = k;
        }
    }
    return highest <= 1 ? valleys.bin[0] : valleys.bin[highest - 1];
}

// Moves t toward 2.5 standard deviations below the first peak above it.
int32_t refine(const uint32_t *h, const ExtremaList &peaks, const ExtremaList &valleys, int32_t t) {
    int32_t k = 0;
    while (k < peaks.count && peaks.bin[k] <= t) {
        ++k;
    }
    if (k == peaks.count) {
        return t;
    }
    const int32_t q = peaks.bin[k];
    const int32_t lo = k > 0 ? valleys.bin[k - 1] : 0;
    const int32_t hi = k < valleys.count ? valleys.bin[k] : kHalfBins;
    const double half = 0.5 * clamped_bin(h, q);
    int32_t a = -1;
    for (int32_t i = q; i > lo; --i) {
        if (clamped_bin(h, i) < half) {
            a = i;
            break;
        }
    }
    int32_t b = -1;
    for (int32_t i = q; i < hi; ++i) {
        if (clamped_bin(h, i) < half) {
            b = i;
            break;
        }
    }
    if (a > 0 && b > 0) {
        // Full width at half maximum / (2 sqrt(2 ln 2)) is the standard
        // deviation of a Gaussian; 0.693 stands for ln 2 in the divisor.
        const auto sigma = static_cast<float>((b - a) / 2.3545700244418297);
        t = static_cast<int32_t>(0.8 * (q - 2.5 * sigma) + 0.2 * t);
    }
    return t;
}

// Places the threshold in gray levels from the half-resolution histogram;
// always succeeds. The result may be negative.
bool threshold_from_modes(uint32_t *h, int32_t *threshold) {
    (void)HistogramSmooth(h);
    lower_by_mean(h);

    ExtremaList peaks;
    ExtremaList valleys;
    fpdevice::imaging::find_histogram_extrema(h, 1, kHistogramBins - 2, &peaks, &valleys);
    prune_weak_peaks(h, &peaks, &valleys);
    int32_t t = choose_bin_threshold(h, peaks, valleys);
    t = refine(h, peaks, valleys, t);

    // Back to gray levels: bin k stands for levels 2k and 2k + 1, and the
    // 0.8 sets the cut a little below the doubled bin. Both steps truncate
    // toward zero (bin 37 gives 74, then 59). Signed: a negative threshold
    // marks every sample.
    auto gray = static_cast<int16_t>(2 * t);
    gray = static_cast<int16_t>(static_cast<int32_t>(0.8 * gray));
    *threshold = gray;
    return true;
}

}  // namespace

extern "C" uint32_t FpThresholdingGradsImageEx(uint8_t *image, int16_t height, int16_t width) {
    return fpdevice::imaging::threshold_image(image, height, width, threshold_from_modes);
}
