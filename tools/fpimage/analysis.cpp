// The analysis pipeline. Everything that looks at the image is a routine of
// the image library; this file chooses the parameters, glues the steps and
// turns the maps into a few numbers.
//
// Scale of the parameters: the scanners we target give ridge spacings of
// about 7 to 12 pixels. The orientation field and the foreground mask work
// on the half-size image (ImageReduce), where a ridge period is 3.5 to 6
// samples; the full-size image feeds the spacing and quality maps.
#include "analysis.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <emmintrin.h>

#include "fpdevice/imaging_frequency.h"
#include "fpdevice/imaging_localsums.h"
#include "fpdevice/imaging_orientation.h"
#include "fpdevice/imaging_primitives.h"
#include "fpdevice/imaging_quality.h"
#include "fpdevice/imaging_regions.h"
#include "fpdevice/imaging_segmentation.h"

namespace fpkey {
namespace {

struct FreeDeleter {
    void operator()(void *block) const { std::free(block); }
};
template <typename T>
using Owned = std::unique_ptr<T, FreeDeleter>;

// Gradient sums over 9 x 9 half-size samples (18 x 18 pixels): about two
// ridge periods, enough to average a ridge and a valley into a stable
// orientation, small enough to follow the curvature near a core.
constexpr uint8_t kGradientWindow = 9;

// The gradient-strength image is scaled so that this share of its samples
// stays below kStrengthReference: the scale then follows the scanner's
// contrast instead of a fixed gain, and the strongest ridges still fit in
// 8 bits for the histogram thresholding.
constexpr double kStrengthQuantile = 0.95;
constexpr double kStrengthReference = 160.0;
// Strengths up to kStrengthFloor count as none: about the coherent energy
// of a one-level step, which the half-size image has along its first row
// and column, and below the contrast of any ridge. A quantile below
// kStrengthFloor + kMinStrengthRange (an image without ridges anywhere) is
// not stretched further, so a flat image keeps an empty mask.
constexpr double kStrengthFloor = 40.0;
constexpr double kMinStrengthRange = 60.0;

// Closing of the raw mask: the 9 x 9 dilation (a sample is set when 15 of
// its 81 neighbours are) grows an outline by about two samples and bridges
// the gaps a faint patch or a crease leaves in the gradient strength; the
// 5 x 5 erosion (a sample stays only when its whole window is set) takes
// the same two samples back, so the outline stays where it was.
constexpr uint8_t kDilationWindow = 9;
constexpr uint8_t kErosionWindow = 5;

// Regions (foreground specks, background holes) smaller than this share of
// the half-size image are absorbed by their surroundings.
constexpr int kSmallAreaDivisor = 50;
constexpr int kSmallAreaMinimum = 16;

// Window of the mean that prepares the image for the spacing profiles.
constexpr uint8_t kSpacingSmoothing = 3;

// A quality block counts as foreground when this share of it is finger.
constexpr double kForegroundBlockShare = 0.75;

constexpr uint8_t kSet = 255;
constexpr uint8_t kClear = 0;

bool Fail(std::string *error, const std::string &message) {
    *error = message;
    return false;
}

// 8-bit gradient strength of the half-size image from the summed gradient
// products: sqrt(P^2 + Q^2) is the gradient energy of the window that agrees
// with its dominant orientation, so ridges score high and noise or smudges
// (gradients pointing every way) low. Its square root, the RMS coherent
// gradient, keeps the strengths of faint and strong prints comparable.
// Single precision is plenty for a value that ends up in 8 bits.
//
// Four samples at a time in SSE lanes, with the steps of the scalar tail:
// the conversions round to nearest, the square roots are the correctly
// rounded ones of std::sqrt, and max and min pick the same operand as
// std::max and std::min for these values (never NaN or -0), so every
// strength and byte is the scalar one. The largest is order-free.
std::vector<uint8_t> GradientStrength(const int32_t *p, const int32_t *q, size_t count) {
    const auto strength = std::make_unique_for_overwrite<float[]>(count);
    const auto floor = static_cast<float>(kStrengthFloor);
    const auto strengthOf = [floor](int32_t pi, int32_t qi) {
        const auto pf = static_cast<float>(pi);
        const auto qf = static_cast<float>(qi);
        return std::max(0.0f, std::sqrt(std::sqrt(pf * pf + qf * qf)) - floor);
    };
    __m128 largestLanes = _mm_setzero_ps();
    size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128 pf = _mm_cvtepi32_ps(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i)));
        const __m128 qf = _mm_cvtepi32_ps(_mm_loadu_si128(reinterpret_cast<const __m128i *>(q + i)));
        const __m128 energy = _mm_add_ps(_mm_mul_ps(pf, pf), _mm_mul_ps(qf, qf));
        const __m128 s = _mm_max_ps(_mm_sub_ps(_mm_sqrt_ps(_mm_sqrt_ps(energy)), _mm_set1_ps(floor)), _mm_setzero_ps());
        _mm_storeu_ps(strength.get() + i, s);
        largestLanes = _mm_max_ps(largestLanes, s);
    }
    float lanes[4];
    _mm_storeu_ps(lanes, largestLanes);
    float largest = std::max(std::max(lanes[0], lanes[1]), std::max(lanes[2], lanes[3]));
    for (; i < count; ++i) {
        strength[i] = strengthOf(p[i], q[i]);
        largest = std::max(largest, strength[i]);
    }
    // The quantile from a fine histogram: exact enough for a scale factor
    // and cheaper than a selection over all samples.
    constexpr size_t kBins = 1024;
    double reference = 0.0;
    if (largest > 0.0f) {
        const float toBin = static_cast<float>(kBins - 1) / largest;
        // One partial histogram per lane, so that runs of one bin (the
        // background's zeros) do not wait on each other's increments; the
        // bins are the scalar truncations, as every product lies in 0 ... 1023.
        std::vector<uint32_t> partial(4 * kBins, 0);
        size_t j = 0;
        for (; j + 4 <= count; j += 4) {
            alignas(16) int32_t bins[4];
            _mm_store_si128(reinterpret_cast<__m128i *>(bins),
                            _mm_cvttps_epi32(_mm_mul_ps(_mm_loadu_ps(strength.get() + j), _mm_set1_ps(toBin))));
            for (size_t lane = 0; lane < 4; ++lane) ++partial[lane * kBins + static_cast<size_t>(bins[lane])];
        }
        for (; j < count; ++j) ++partial[static_cast<size_t>(strength[j] * toBin)];
        std::vector<size_t> histogram(kBins, 0);
        for (size_t bin = 0; bin < kBins; ++bin) {
            histogram[bin] =
                size_t{partial[bin]} + partial[kBins + bin] + partial[2 * kBins + bin] + partial[3 * kBins + bin];
        }
        const auto wanted = static_cast<size_t>(static_cast<double>(count) * kStrengthQuantile);
        size_t seen = 0;
        size_t bin = 0;
        while (bin + 1 < kBins && (seen += histogram[bin]) <= wanted) ++bin;
        reference = static_cast<double>(bin + 1) / toBin;
    }
    reference = std::max(reference, kMinStrengthRange);
    const auto scale = static_cast<float>(kStrengthReference / reference);
    std::vector<uint8_t> result(count);
    size_t k = 0;
    for (; k + 4 <= count; k += 4) {
        const __m128 scaled =
            _mm_min_ps(_mm_mul_ps(_mm_loadu_ps(strength.get() + k), _mm_set1_ps(scale)), _mm_set1_ps(255.0f));
        const __m128i words = _mm_packs_epi32(_mm_cvttps_epi32(scaled), _mm_setzero_si128());
        const int32_t bytes = _mm_cvtsi128_si32(_mm_packus_epi16(words, _mm_setzero_si128()));
        std::memcpy(result.data() + k, &bytes, sizeof bytes);
    }
    for (; k < count; ++k) result[k] = static_cast<uint8_t>(std::min(255.0f, strength[k] * scale));
    return result;
}

// How many of the samples first ... first + count - 1 hold `value`, 16 at a
// time: each match is a byte 1, and the sums of absolute differences from
// zero add them into two 64-bit lanes.
size_t CountOf(const uint8_t *first, size_t count, uint8_t value) {
    const __m128i wanted = _mm_set1_epi8(static_cast<char>(value));
    const __m128i one = _mm_set1_epi8(1);
    __m128i sums = _mm_setzero_si128();
    size_t i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m128i matches =
            _mm_and_si128(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(first + i)), wanted), one);
        sums = _mm_add_epi64(sums, _mm_sad_epu8(matches, _mm_setzero_si128()));
    }
    auto total = static_cast<size_t>(_mm_cvtsi128_si64(sums) + _mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
    for (; i < count; ++i) total += first[i] == value ? 1 : 0;
    return total;
}

// Thresholds the gradient strength into a half-size mask and cleans it.
// Returns false when a routine runs out of memory.
bool CleanMask(uint8_t *mask, int height, int width) {
    const auto h16 = static_cast<uint16_t>(height);
    const auto w16 = static_cast<uint16_t>(width);
    if (MY_BWDilateFastUint16(mask, h16, w16, kDilationWindow, kDilationWindow) != 0 ||
        MY_BWErodeFastUint16(mask, h16, w16, kErosionWindow, kErosionWindow) != 0) {
        return false;
    }
    // A 3 x 3 opening removes the one-sample spurs the closing leaves on
    // the outline.
    if (BErode(mask, h16, w16) != 0 || BDilate(mask, h16, w16) != 0) return false;
    const long samples = static_cast<long>(height) * width;
    const auto limit =
        static_cast<int16_t>(std::clamp(samples / kSmallAreaDivisor, static_cast<long>(kSmallAreaMinimum), 32767L));
    const auto hs = static_cast<int16_t>(height);
    const auto ws = static_cast<int16_t>(width);
    return RemoveSmallArea(mask, hs, ws, kSet, kClear, limit) == 0 &&
           RemoveSmallArea(mask, hs, ws, kClear, kSet, limit) == 0;
}

// Pixel doubling of the half-size mask; an odd last row or column of the
// full-size image repeats its neighbour.
bool EnlargeMask(const uint8_t *half, int halfHeight, int halfWidth, int height, int width,
                 std::vector<uint8_t> *mask) {
    const int evenHeight = 2 * halfHeight;
    const int evenWidth = 2 * halfWidth;
    Owned<uint8_t> even(ImageEnlarge(half, static_cast<uint16_t>(halfHeight), static_cast<uint16_t>(halfWidth),
                                     static_cast<uint16_t>(evenHeight), static_cast<uint16_t>(evenWidth)));
    if (!even) return false;
    mask->assign(static_cast<size_t>(height) * width, kClear);
    for (int y = 0; y < height; ++y) {
        const uint8_t *from = even.get() + static_cast<size_t>(std::min(y, evenHeight - 1)) * evenWidth;
        uint8_t *to = mask->data() + static_cast<size_t>(y) * width;
        std::copy(from, from + evenWidth, to);
        if (width > evenWidth) to[width - 1] = to[width - 2];
    }
    return true;
}

// The part of the image whose spacing is measured: the foreground's
// bounding box with a margin, its top-left corner on the 8-pixel grid of
// the orientation field.
struct Crop {
    int top = 0;
    int left = 0;
    int height = 0;
    int width = 0;
};

// A spacing profile reaches 16 pixels along the line across the ridges and
// 2 pixels along them: with this margin every profile of a foreground cell
// reads the same samples as on the whole image.
constexpr int kSpacingMargin = 24;

std::optional<Crop> SpacingCrop(const std::vector<uint8_t> &mask, int height, int width) {
    int top = height, bottom = -1, left = width, right = -1;
    for (int y = 0; y < height; ++y) {
        const uint8_t *row = mask.data() + static_cast<size_t>(y) * width;
        // memchr and memrchr scan a row many bytes at a time.
        const auto *first = static_cast<const uint8_t *>(std::memchr(row, kSet, static_cast<size_t>(width)));
        if (first == nullptr) continue;
        const auto *last = static_cast<const uint8_t *>(memrchr(row, kSet, static_cast<size_t>(width)));
        top = std::min(top, y);
        bottom = y;
        left = std::min(left, static_cast<int>(first - row));
        right = std::max(right, static_cast<int>(last - row));
    }
    if (bottom < 0) return std::nullopt;
    Crop crop;
    crop.top = std::max(0, top - kSpacingMargin) / 8 * 8;
    crop.left = std::max(0, left - kSpacingMargin) / 8 * 8;
    crop.height = std::min(height, bottom + 1 + kSpacingMargin) - crop.top;
    crop.width = std::min(width, right + 1 + kSpacingMargin) - crop.left;
    return crop;
}

// The orientation blocks over the crop, arranged as the spacing routine
// reads them: bottom-up, angles clockwise. Blocks past the field's last row
// or column repeat it, as the routine itself does on the whole image.
std::vector<int16_t> FieldForSpacing(const BlockField &fine, const Crop &crop, int *rows, int *cols) {
    *rows = (crop.height + 7) / 8;
    *cols = (crop.width + 7) / 8;
    std::vector<int16_t> field(static_cast<size_t>(*rows) * *cols);
    for (int r = 0; r < *rows; ++r) {
        const int fieldRow = std::min(crop.top / 8 + r, fine.rows - 1);
        const int16_t *from = fine.data + static_cast<size_t>(fieldRow) * fine.cols;
        int16_t *to = field.data() + static_cast<size_t>(*rows - 1 - r) * *cols;
        for (int c = 0; c < *cols; ++c) to[c] = static_cast<int16_t>(-from[std::min(crop.left / 8 + c, fine.cols - 1)]);
    }
    return field;
}

// The spacing map of the whole image, measured only over the crop around
// the foreground (cells elsewhere stay unmeasured): the profiles are the
// costliest step of the analysis, and background cells are never used.
bool SpacingMap(const uint8_t *pixels, const BlockField &fine, Analysis *a) {
    a->spacing.rows = a->height >> 2;
    a->spacing.cols = a->width >> 2;
    a->spacing.cellSize = 4;
    a->spacing.values.assign(static_cast<size_t>(a->spacing.rows) * a->spacing.cols, kSpacingUnmeasured);
    const std::optional<Crop> crop = SpacingCrop(a->mask, a->height, a->width);
    if (!crop || fine.rows == 0 || fine.cols == 0) return true;
    // The profile across the ridges is averaged over only five samples
    // along them, so sensor noise of a pixel or two would count as extra
    // ridges: a 3 x 3 mean first removes it while ridges 7 pixels apart and
    // more keep most of their contrast.
    const auto h16 = static_cast<uint16_t>(crop->height);
    const auto w16 = static_cast<uint16_t>(crop->width);
    std::vector<uint8_t> cut(static_cast<size_t>(crop->height) * crop->width);
    for (int y = 0; y < crop->height; ++y) {
        const uint8_t *from = pixels + static_cast<size_t>(crop->top + y) * a->width + crop->left;
        std::copy(from, from + crop->width, cut.begin() + static_cast<std::ptrdiff_t>(y) * crop->width);
    }
    if (fvs_ImageMeanChar2Char(cut.data(), cut.data(), h16, w16, kSpacingSmoothing, kSpacingSmoothing) != 0) {
        return false;
    }
    int rows = 0;
    int cols = 0;
    std::vector<int16_t> field = FieldForSpacing(fine, *crop, &rows, &cols);
    const BlockField cropField{8, static_cast<uint16_t>(rows), static_cast<uint16_t>(cols), field.data()};
    uint8_t *map = nullptr;
    const int32_t status = FpGetFrequency(cut.data(), static_cast<int16_t>(crop->height),
                                          static_cast<int16_t>(crop->width), &cropField, &map);
    Owned<uint8_t> owned(map);
    if (status != 0) return false;
    const int cropRows = crop->height >> 2;
    const int cropCols = crop->width >> 2;
    for (int r = 0; r < cropRows; ++r) {
        const uint8_t *from = map + static_cast<size_t>(r) * cropCols;
        uint8_t *to =
            a->spacing.values.data() + static_cast<size_t>(crop->top / 4 + r) * a->spacing.cols + crop->left / 4;
        std::copy(from, from + cropCols, to);
    }
    return true;
}

double Median(std::vector<uint8_t> values) {
    const size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle), values.end());
    double median = values[middle];
    if (values.size() % 2 == 0) {
        const uint8_t below = *std::max_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle));
        median = (median + below) / 2.0;
    }
    return median;
}

// Median spacing in pixels over the measured cells whose centre lies in
// the foreground; none without foreground (the cells of an empty or flat
// image measure nothing but edges and noise).
std::optional<double> MedianSpacing(const Analysis &a) {
    std::vector<uint8_t> inside;
    for (int r = 0; r < a.spacing.rows; ++r) {
        for (int c = 0; c < a.spacing.cols; ++c) {
            const uint8_t v = a.spacing.at(r, c);
            if (v != kSpacingUnmeasured && a.mask[static_cast<size_t>(4 * r + 2) * a.width + 4 * c + 2] != 0) {
                inside.push_back(v);
            }
        }
    }
    if (inside.empty()) return std::nullopt;
    return Median(std::move(inside)) / 8.0;
}

// Mean and lowest quality of the complete blocks that are mostly finger;
// both 0 when no block is.
void QualityStatistics(Analysis *a) {
    const int blockRows = a->height / 16;
    const int blockCols = a->width / 16;
    std::vector<uint8_t> inside;
    for (int br = 0; br < blockRows; ++br) {
        for (int bc = 0; bc < blockCols; ++bc) {
            size_t finger = 0;
            for (int y = 16 * br; y < 16 * br + 16; ++y) {
                finger += CountOf(a->mask.data() + static_cast<size_t>(y) * a->width + 16 * bc, 16, kSet);
            }
            if (static_cast<double>(finger) >= kForegroundBlockShare * 256) inside.push_back(a->quality.at(br, bc));
        }
    }
    if (inside.empty()) return;
    long sum = 0;
    for (const uint8_t v : inside) sum += v;
    a->meanQuality = static_cast<double>(sum) / static_cast<double>(inside.size());
    a->lowestQuality = *std::min_element(inside.begin(), inside.end());
}

// NotContinue looks for blank rows and columns of a background value: the
// finger is passed as 0 on a background of 255. It reads at most 1024 rows,
// so a taller image is tested on its half-size mask.
std::optional<bool> BrokenTest(const Analysis &a, const std::vector<uint8_t> &halfMask, int halfHeight, int halfWidth) {
    constexpr int kMaxRows = 1024;
    const std::vector<uint8_t> *mask = &a.mask;
    int height = a.height;
    int width = a.width;
    if (height > kMaxRows) {
        if (halfHeight > kMaxRows) return std::nullopt;
        mask = &halfMask;
        height = halfHeight;
        width = halfWidth;
    }
    std::vector<uint8_t> inverted(mask->size());
    std::transform(mask->begin(), mask->end(), inverted.begin(),
                   [](uint8_t v) { return static_cast<uint8_t>(v != 0 ? kClear : kSet); });
    return NotContinue(inverted.data(), height, width, kSet) != 0;
}

}  // namespace

bool Analyze(const GrayImage &image, Analysis *result, std::string *error) {
    const int height = image.height;
    const int width = image.width;
    if (height < kMinAnalysisSide || width < kMinAnalysisSide) {
        return Fail(error, "image is " + std::to_string(width) + " x " + std::to_string(height) +
                               "; each side must be at least " + std::to_string(kMinAnalysisSide));
    }
    if (height > kMaxImageSide || width > kMaxImageSide ||
        image.pixels.size() != static_cast<size_t>(height) * static_cast<size_t>(width)) {
        return Fail(error, "image is " + std::to_string(width) + " x " + std::to_string(height) +
                               "; each side must be at most " + std::to_string(kMaxImageSide));
    }
    const std::string noMemory = "out of memory";
    const auto h16 = static_cast<uint16_t>(height);
    const auto w16 = static_cast<uint16_t>(width);
    const int halfHeight = height / 2;
    const int halfWidth = width / 2;
    const uint8_t *pixels = image.pixels.data();

    Analysis a;
    a.height = height;
    a.width = width;

    Owned<uint8_t> half(
        ImageReduce(pixels, h16, w16, static_cast<uint16_t>(halfHeight), static_cast<uint16_t>(halfWidth)));
    if (!half) return Fail(error, noMemory);

    int32_t *pPlane = nullptr;
    int32_t *qPlane = nullptr;
    BlockField fine{};
    BlockField fineChange{};
    BlockField coarse{};
    const int32_t direction =
        FingerprintGetDirectionFloat(half.get(), static_cast<uint16_t>(halfHeight), static_cast<uint16_t>(halfWidth),
                                     h16, w16, kGradientWindow, 0, &pPlane, &qPlane, &fine, &fineChange, &coarse);
    Owned<int32_t> p(pPlane), q(qPlane);
    Owned<int16_t> fineData(fine.data), changeData(fineChange.data), coarseData(coarse.data);
    if (direction != 0) return Fail(error, noMemory);
    a.orientation.rows = fine.rows;
    a.orientation.cols = fine.cols;
    a.orientation.cellSize = 8;
    a.orientation.values.assign(fine.data, fine.data + static_cast<size_t>(fine.rows) * fine.cols);

    // Foreground: threshold the gradient strength, clean it, enlarge it.
    const size_t halfCount = static_cast<size_t>(halfHeight) * halfWidth;
    std::vector<uint8_t> halfMask = GradientStrength(p.get(), q.get(), halfCount);
    const uint32_t threshold =
        FpThresholdingGradsImageEx(halfMask.data(), static_cast<int16_t>(halfHeight), static_cast<int16_t>(halfWidth));
    a.threshold = static_cast<int>(threshold);
    if (!CleanMask(halfMask.data(), halfHeight, halfWidth) ||
        !EnlargeMask(halfMask.data(), halfHeight, halfWidth, height, width, &a.mask)) {
        return Fail(error, noMemory);
    }
    const size_t finger = CountOf(a.mask.data(), a.mask.size(), kSet);
    a.foregroundShare = static_cast<double>(finger) / static_cast<double>(a.mask.size());

    // Ridge spacing on 4 x 4 cells along the orientation field.
    if (!SpacingMap(pixels, fine, &a)) return Fail(error, noMemory);

    // Block quality on 16 x 16 blocks.
    BlkQualityMap record{};
    const int32_t rated =
        ImageBlkQuality(&record, pixels, static_cast<int16_t>(height), static_cast<int16_t>(width), nullptr);
    Owned<uint8_t> qualityMap(record.map);
    if (rated != 0) return Fail(error, noMemory);
    a.quality.rows = record.rows;
    a.quality.cols = record.cols;
    a.quality.cellSize = 16;
    a.quality.values.assign(record.map, record.map + static_cast<size_t>(record.rows) * record.cols);

    QualityStatistics(&a);
    a.medianSpacing = MedianSpacing(a);
    a.broken = BrokenTest(a, halfMask, halfHeight, halfWidth);
    const float complexity = Complexity(a.mask.data(), static_cast<int16_t>(height), static_cast<int16_t>(width), kSet);
    if (std::isfinite(complexity)) a.complexity = complexity;

    *result = std::move(a);
    return true;
}

}  // namespace fpkey
