// The finger area: the coherent gradient strength of the half-size image,
// thresholded at the valley of its histogram by the image library, closed
// and cleaned with its binary morphology.
#include <algorithm>
#include <cmath>

#include "fingermatch/library_buffers.h"
#include "fingermatch/ridge_maps.h"
#include "fpdevice/imaging_localsums.h"
#include "fpdevice/imaging_primitives.h"
#include "fpdevice/imaging_regions.h"
#include "fpdevice/imaging_segmentation.h"

namespace fingermatch {

namespace {

// Strengths up to the floor count as none: about the coherent energy of a
// one-level step, far below the contrast of any ridge, so a flat image keeps
// an empty mask. The strongest ridges are scaled to fit 8 bits: this share
// of the samples stays below the reference level, so the scale follows the
// scanner's contrast instead of a fixed gain.
constexpr float kStrengthFloor = 40.0f;
constexpr float kMinStrengthRange = 60.0f;
constexpr double kStrengthQuantile = 0.95;
constexpr float kStrengthReference = 160.0f;

// Closing: the 9 x 9 dilation bridges the gaps a faint patch or a crease
// leaves in the strength; the 5 x 5 erosion takes the grown outline back.
constexpr uint8_t kDilationWindow = 9;
constexpr uint8_t kErosionWindow = 5;
// Specks of finger and holes in it smaller than this share of the image
// are absorbed by their surroundings.
constexpr int kSmallAreaDivisor = 50;

std::vector<uint8_t> ScaledStrength(const std::vector<float> &strength) {
    std::vector<float> above(strength.size());
    std::transform(strength.begin(), strength.end(), above.begin(),
                   [](float s) { return std::max(0.0f, s - kStrengthFloor); });
    std::vector<float> sorted = above;
    const auto rank = static_cast<std::ptrdiff_t>(static_cast<double>(sorted.size() - 1) * kStrengthQuantile);
    std::nth_element(sorted.begin(), sorted.begin() + rank, sorted.end());
    const float reference = std::max(sorted[static_cast<size_t>(rank)], kMinStrengthRange);
    const float scale = kStrengthReference / reference;
    std::vector<uint8_t> scaled(above.size());
    std::transform(above.begin(), above.end(), scaled.begin(),
                   [scale](float s) { return static_cast<uint8_t>(std::min(255.0f, s * scale)); });
    return scaled;
}

// Background that the finger encloses on every side is finger too: the
// flat, low-contrast patch a wet or pressed core leaves. Whatever background
// the image's edge reaches is marked first; what is left is enclosed.
void FillEnclosedBackground(std::vector<uint8_t> *mask, int height, int width) {
    constexpr uint8_t kOutside = 128;
    const auto h16 = static_cast<int16_t>(height);
    const auto w16 = static_cast<int16_t>(width);
    const auto seed = [&](int y, int x) {
        if ((*mask)[static_cast<size_t>(y) * width + x] != 0) return;
        uint32_t area = 0;
        RegionGrow(mask->data(), h16, w16, static_cast<int16_t>(y), static_cast<int16_t>(x), &area, nullptr, nullptr,
                   nullptr, nullptr, 0, kOutside, 1);
        // A seed of background that could not be filled means no memory.
        if (area == 0) throw std::bad_alloc();
    };
    for (int x = 0; x < width; ++x) {
        seed(0, x);
        seed(height - 1, x);
    }
    for (int y = 0; y < height; ++y) {
        seed(y, 0);
        seed(y, width - 1);
    }
    for (uint8_t &sample : *mask) sample = sample == kOutside ? 0 : 255;
}

void CleanMask(std::vector<uint8_t> *mask, int height, int width) {
    const auto h16 = static_cast<uint16_t>(height);
    const auto w16 = static_cast<uint16_t>(width);
    ThrowIfOutOfMemory(MY_BWDilateFastUint16(mask->data(), h16, w16, kDilationWindow, kDilationWindow));
    ThrowIfOutOfMemory(MY_BWErodeFastUint16(mask->data(), h16, w16, kErosionWindow, kErosionWindow));
    // The opening removes the one-sample spurs the closing leaves on the outline.
    ThrowIfOutOfMemory(BErode(mask->data(), h16, w16));
    ThrowIfOutOfMemory(BDilate(mask->data(), h16, w16));
    const auto limit = static_cast<int16_t>(std::clamp(height * width / kSmallAreaDivisor, 16, 32767));
    ThrowIfOutOfMemory(
        RemoveSmallArea(mask->data(), static_cast<int16_t>(height), static_cast<int16_t>(width), 255, 0, limit));
    ThrowIfOutOfMemory(
        RemoveSmallArea(mask->data(), static_cast<int16_t>(height), static_cast<int16_t>(width), 0, 255, limit));
    FillEnclosedBackground(mask, height, width);
}

}  // namespace

std::vector<uint8_t> ForegroundMask(const OrientationEstimate &estimate, int height, int width) {
    const int halfHeight = estimate.halfHeight;
    const int halfWidth = estimate.halfWidth;
    std::vector<uint8_t> half = ScaledStrength(estimate.coherentStrength);
    // Threshold 255 and a failure look alike; only a failure leaves samples
    // other than 0 and 255 behind.
    const uint32_t threshold =
        FpThresholdingGradsImageEx(half.data(), static_cast<int16_t>(halfHeight), static_cast<int16_t>(halfWidth));
    if (threshold == 255 && std::any_of(half.begin(), half.end(), [](uint8_t s) { return s != 0 && s != 255; })) {
        throw std::bad_alloc();
    }
    CleanMask(&half, halfHeight, halfWidth);

    std::vector<uint8_t> mask(static_cast<size_t>(height) * width, 0);
    for (int y = 0; y < height; ++y) {
        const uint8_t *from = half.data() + static_cast<size_t>(std::min(y / 2, halfHeight - 1)) * halfWidth;
        uint8_t *to = mask.data() + static_cast<size_t>(y) * width;
        for (int x = 0; x < width; ++x) to[x] = from[std::min(x / 2, halfWidth - 1)] != 0 ? 1 : 0;
    }
    return mask;
}

}  // namespace fingermatch
