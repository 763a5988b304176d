// The extraction pipeline: the image library's maps of the finger, ridge
// enhancement, thinning, minutiae, and the checks the capture status comes
// from.
#include <algorithm>
#include <cmath>

#include "fingermatch/fingermatch.h"
#include "fingermatch/library_buffers.h"
#include "fingermatch/minutiae_detection.h"
#include "fingermatch/resolution.h"
#include "fingermatch/ridge_enhancement.h"
#include "fingermatch/ridge_maps.h"
#include "fingermatch/skeleton.h"
#include "fingermatch/template_format.h"
#include "fpdevice/imaging_localsums.h"

namespace fingermatch {

namespace {

// Sides the image routines take at 500 dpi; below the smallest there is no
// room for a ridge pattern, above the largest no sensor is that large.
constexpr int kSmallestSide = 64;
constexpr int kLargestSide = 2048;
// The rim of the finger where the print fades out: ridges end there because
// the contact does. The mask's outline already lies a few pixels inside the
// last ridges, so a narrow rim is enough.
constexpr uint8_t kRimWindow = 2 * 5 + 1;

bool Plausible(const GrayImage &image) {
    return image.height > 0 && image.width > 0 && image.dpi >= kLowestResolution && image.dpi <= kHighestResolution &&
           image.pixels.size() == static_cast<size_t>(image.height) * static_cast<size_t>(image.width);
}

// The finger less its rim; the image's own edge counts as the end of the
// finger too.
std::vector<uint8_t> Interior(const std::vector<uint8_t> &foreground, int height, int width) {
    std::vector<uint8_t> interior(foreground);
    for (int x = 0; x < width; ++x) {
        interior[static_cast<size_t>(x)] = 0;
        interior[static_cast<size_t>(height - 1) * width + x] = 0;
    }
    for (int y = 0; y < height; ++y) {
        interior[static_cast<size_t>(y) * width] = 0;
        interior[static_cast<size_t>(y) * width + width - 1] = 0;
    }
    ThrowIfOutOfMemory(MY_BWErodeFastUint16(interior.data(), static_cast<uint16_t>(height),
                                            static_cast<uint16_t>(width), kRimWindow, kRimWindow));
    for (uint8_t &sample : interior) sample = sample != 0 ? 1 : 0;
    return interior;
}

// Mean of the blocks that lie mostly on the finger.
float FingerMean(const BlockMap &quality, const std::vector<uint8_t> &foreground, int height, int width) {
    double sum = 0.0;
    int blocks = 0;
    for (int r = 0; r < quality.rows; ++r) {
        for (int c = 0; c < quality.cols; ++c) {
            int inside = 0;
            int total = 0;
            for (int y = r * quality.cellSize; y < std::min(height, (r + 1) * quality.cellSize); ++y) {
                for (int x = c * quality.cellSize; x < std::min(width, (c + 1) * quality.cellSize); ++x) {
                    inside += foreground[static_cast<size_t>(y) * width + x];
                    ++total;
                }
            }
            if (total == 0 || 2 * inside < total) continue;
            sum += quality.Cell(r, c);
            ++blocks;
        }
    }
    return blocks == 0 ? 0.0f : static_cast<float>(sum / blocks);
}

}  // namespace

ExtractResult Extract(const GrayImage &original) {
    ExtractResult result;
    if (!Plausible(original)) return result;
    const GrayImage image = ToStandardResolution(original);
    const int height = image.height;
    const int width = image.width;
    if (height > kLargestSide || width > kLargestSide) return result;
    if (height < kSmallestSide || width < kSmallestSide) {
        result.status = ExtractStatus::kSmallArea;
        return result;
    }

    const OrientationEstimate estimate = EstimateOrientation(image);
    const std::vector<uint8_t> foreground = ForegroundMask(estimate, height, width);
    result.figures.fingerArea = static_cast<int>(std::count(foreground.begin(), foreground.end(), 1));
    result.figures.areaPercent =
        static_cast<uint8_t>(100L * result.figures.fingerArea / (static_cast<long>(height) * width));
    if (result.figures.fingerArea < kMinFingerArea) {
        result.status = ExtractStatus::kSmallArea;
        return result;
    }
    result.figures.quality =
        static_cast<uint8_t>(std::lround(100.0f * FingerMean(EstimateCoherence(image), foreground, height, width)));
    if (result.figures.quality < kMinQuality) {
        result.status = ExtractStatus::kPoorQuality;
        return result;
    }

    const BlockMap quality = EstimateBlockQuality(image);
    const BlockMap period = EstimateRidgePeriod(image, estimate.orientation, foreground);
    std::vector<uint8_t> skeleton = BinaryRidges(image, estimate.orientation, period, foreground);
    ThinRidges(&skeleton, height, width);
    const std::vector<uint8_t> interior = Interior(foreground, height, width);
    std::vector<Minutia> minutiae =
        FindMinutiae({skeleton, interior, estimate.orientation, period, quality, height, width});
    result.figures.minutiae = static_cast<int>(minutiae.size());
    if (result.figures.minutiae < kMinMinutiae) {
        result.status = ExtractStatus::kFewMinutiae;
        return result;
    }
    result.status = ExtractStatus::kOk;
    result.features.width = static_cast<uint16_t>(width);
    result.features.height = static_cast<uint16_t>(height);
    result.features.minutiae = std::move(minutiae);
    FitToTemplateFile(&result.features);
    return result;
}

}  // namespace fingermatch
