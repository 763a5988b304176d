// Contextual filtering after Hong, Wan and Jain (1998): each pixel is
// filtered with an even Gabor filter turned to the local ridge orientation
// and tuned to the local ridge period, so ridges are smoothed along their
// run and sharpened across it, breaks close and noise between ridges fades.
//
// The filter's envelope is a product of a Gaussian along the ridges and one
// across them, so it is applied in two one-dimensional passes along lines
// turned to the local orientation: first smoothing along the ridges, then
// the cosine-modulated profile across them. Orientation and period change
// slowly, so turning the second pass with the pixel's own orientation
// instead of each neighbour's changes little and saves most of the work.
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "fingermatch/ridge_enhancement.h"

namespace fingermatch {

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr int kAngleSteps = 32;  // orientations over half a turn
// Periods from 5 to 15 pixels in half-pixel steps.
constexpr float kFirstPeriod = 5.0f;
constexpr float kPeriodStep = 0.5f;
constexpr int kPeriodSteps = 21;
// Along the ridges a little less than Hong's sigma of 4 pixels, two sigmas
// each way: enough to close the breaks of a dry print, short enough not to
// carry a ridge past its true ending.
constexpr float kAlongSigma = 3.0f;
constexpr int kAlongRadius = 6;
// Across the ridges the envelope's spread is a little over a third of the
// local period (Hong's 4 pixels at a period of 10 to 11): enough for the
// filter to tell a ridge from a valley, little enough to keep the ridges
// beside a minutia from bleeding into it.
constexpr float kAcrossSigmaPerPeriod = 0.38f;
constexpr int kMaxAcrossRadius = 16;
constexpr int kMargin = std::max(kAlongRadius, kMaxAcrossRadius) + 1;

struct Tap {
    std::ptrdiff_t offset;  // in the padded plane
    float weight;
};

struct Kernels {
    std::array<std::vector<Tap>, kAngleSteps> along;
    std::array<std::array<std::vector<Tap>, kPeriodSteps>, kAngleSteps> across;
};

// Offsets along a line through the centre with direction (dx, dy) in pixel
// coordinates, rounded to the nearest pixel.
std::ptrdiff_t LineOffset(float t, float dx, float dy, int stride) {
    const auto x = static_cast<std::ptrdiff_t>(std::lround(t * dx));
    const auto y = static_cast<std::ptrdiff_t>(std::lround(t * dy));
    return y * stride + x;
}

Kernels MakeKernels(int stride) {
    Kernels kernels;
    for (int a = 0; a < kAngleSteps; ++a) {
        const float angle = static_cast<float>(a) * kPi / kAngleSteps;
        // The ridge direction as displayed (rows run downward) and its normal.
        const float ux = std::cos(angle);
        const float uy = -std::sin(angle);
        const float nx = std::sin(angle);
        const float ny = std::cos(angle);
        float sum = 0.0f;
        for (int t = -kAlongRadius; t <= kAlongRadius; ++t) {
            const float w = std::exp(-static_cast<float>(t * t) / (2.0f * kAlongSigma * kAlongSigma));
            kernels.along[a].push_back({LineOffset(static_cast<float>(t), ux, uy, stride), w});
            sum += w;
        }
        for (Tap &tap : kernels.along[a]) tap.weight /= sum;
        for (int p = 0; p < kPeriodSteps; ++p) {
            const float period = kFirstPeriod + kPeriodStep * static_cast<float>(p);
            const float sigma = kAcrossSigmaPerPeriod * period;
            const int radius = std::min(kMaxAcrossRadius, static_cast<int>(std::ceil(2.5f * sigma)));
            std::vector<float> envelope;
            std::vector<float> weights;
            float weightSum = 0.0f;
            float envelopeSum = 0.0f;
            for (int s = -radius; s <= radius; ++s) {
                const float e = std::exp(-static_cast<float>(s * s) / (2.0f * sigma * sigma));
                const float w = e * std::cos(2.0f * kPi * static_cast<float>(s) / period);
                envelope.push_back(e);
                weights.push_back(w);
                weightSum += w;
                envelopeSum += e;
            }
            // No response to the local mean gray level: only the ridge
            // pattern decides the sign.
            auto &taps = kernels.across[a][p];
            for (int s = -radius; s <= radius; ++s) {
                const auto i = static_cast<size_t>(s + radius);
                taps.push_back({LineOffset(static_cast<float>(s), nx, ny, stride),
                                weights[i] - weightSum * envelope[i] / envelopeSum});
            }
        }
    }
    return kernels;
}

struct Area {
    int top, bottom, left, right;  // inclusive
};

// Angle step per pixel of the area: the doubled-angle vectors of the four
// surrounding block centres, interpolated, so the filter turns smoothly
// between blocks.
std::vector<uint8_t> AngleSteps(const BlockMap &orientation, int height, int width, const Area &area) {
    std::vector<float> cos2(orientation.values.size());
    std::vector<float> sin2(orientation.values.size());
    for (size_t i = 0; i < orientation.values.size(); ++i) {
        cos2[i] = std::cos(2.0f * orientation.values[i]);
        sin2[i] = std::sin(2.0f * orientation.values[i]);
    }
    const float cell = static_cast<float>(orientation.cellSize);
    std::vector<uint8_t> steps(static_cast<size_t>(height) * width, 0);
    for (int y = area.top; y <= area.bottom; ++y) {
        const float fy =
            std::clamp((static_cast<float>(y) + 0.5f) / cell - 0.5f, 0.0f, static_cast<float>(orientation.rows - 1));
        const int r0 = static_cast<int>(fy);
        const int r1 = std::min(r0 + 1, orientation.rows - 1);
        const float wy = fy - static_cast<float>(r0);
        for (int x = area.left; x <= area.right; ++x) {
            const float fx = std::clamp((static_cast<float>(x) + 0.5f) / cell - 0.5f, 0.0f,
                                        static_cast<float>(orientation.cols - 1));
            const int c0 = static_cast<int>(fx);
            const int c1 = std::min(c0 + 1, orientation.cols - 1);
            const float wx = fx - static_cast<float>(c0);
            auto blend = [&](const std::vector<float> &plane) {
                const auto at = [&](int r, int c) { return plane[static_cast<size_t>(r) * orientation.cols + c]; };
                return (1 - wy) * ((1 - wx) * at(r0, c0) + wx * at(r0, c1)) +
                       wy * ((1 - wx) * at(r1, c0) + wx * at(r1, c1));
            };
            float angle = 0.5f * std::atan2(blend(sin2), blend(cos2));
            if (angle < 0.0f) angle += kPi;
            steps[static_cast<size_t>(y) * width + x] =
                static_cast<uint8_t>(static_cast<int>(angle * kAngleSteps / kPi + 0.5f) % kAngleSteps);
        }
    }
    return steps;
}

}  // namespace

std::vector<uint8_t> BinaryRidges(const GrayImage &image, const BlockMap &orientation, const BlockMap &period,
                                  const std::vector<uint8_t> &foreground) {
    const int height = image.height;
    const int width = image.width;
    const int stride = width + 2 * kMargin;
    const int paddedHeight = height + 2 * kMargin;
    const Kernels kernels = MakeKernels(stride);

    // Ridges bright, edges repeated into the margin.
    std::vector<float> padded(static_cast<size_t>(stride) * paddedHeight);
    for (int y = 0; y < paddedHeight; ++y) {
        const int sy = std::clamp(y - kMargin, 0, height - 1);
        for (int x = 0; x < stride; ++x) {
            const int sx = std::clamp(x - kMargin, 0, width - 1);
            padded[static_cast<size_t>(y) * stride + x] =
                255.0f - static_cast<float>(image.pixels[static_cast<size_t>(sy) * width + sx]);
        }
    }
    // Only pixels within reach of the finger are filtered.
    int top = height, bottom = -1, left = width, right = -1;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (foreground[static_cast<size_t>(y) * width + x] == 0) continue;
            top = std::min(top, y);
            bottom = std::max(bottom, y);
            left = std::min(left, x);
            right = std::max(right, x);
        }
    }
    std::vector<uint8_t> ridges(static_cast<size_t>(height) * width, 0);
    if (bottom < 0) return ridges;

    std::vector<float> along(padded.size(), 0.0f);
    const int alongTop = std::max(0, top - kMaxAcrossRadius);
    const int alongBottom = std::min(height - 1, bottom + kMaxAcrossRadius);
    const int alongLeft = std::max(0, left - kMaxAcrossRadius);
    const int alongRight = std::min(width - 1, right + kMaxAcrossRadius);
    const std::vector<uint8_t> angleSteps =
        AngleSteps(orientation, height, width, {alongTop, alongBottom, alongLeft, alongRight});
    for (int y = alongTop; y <= alongBottom; ++y) {
        for (int x = alongLeft; x <= alongRight; ++x) {
            const size_t at = static_cast<size_t>(y + kMargin) * stride + x + kMargin;
            float sum = 0.0f;
            for (const Tap &tap : kernels.along[angleSteps[static_cast<size_t>(y) * width + x]]) {
                sum += tap.weight * padded[static_cast<size_t>(static_cast<std::ptrdiff_t>(at) + tap.offset)];
            }
            along[at] = sum;
        }
    }
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) {
            const size_t pixel = static_cast<size_t>(y) * width + x;
            if (foreground[pixel] == 0) continue;
            const float local =
                std::clamp(period.AtPixel(x, y), kFirstPeriod, kFirstPeriod + kPeriodStep * (kPeriodSteps - 1));
            const auto step = static_cast<size_t>((local - kFirstPeriod) / kPeriodStep + 0.5f);
            const size_t at = static_cast<size_t>(y + kMargin) * stride + x + kMargin;
            float sum = 0.0f;
            for (const Tap &tap : kernels.across[angleSteps[pixel]][step]) {
                sum += tap.weight * along[static_cast<size_t>(static_cast<std::ptrdiff_t>(at) + tap.offset)];
            }
            ridges[pixel] = sum > 0.0f ? 1 : 0;
        }
    }
    return ridges;
}

}  // namespace fingermatch
