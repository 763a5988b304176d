// The orientation field comes from the image library's gradient method
// (Rao's averaging of squared gradients, as Hong, Wan and Jain 1998 use it)
// on the half-size image, where a ridge period is 3.5 to 7 samples.
#include <cmath>
#include <numbers>

#include "fingermatch/library_buffers.h"
#include "fingermatch/ridge_maps.h"
#include "fpdevice/imaging_orientation.h"
#include "fpdevice/imaging_primitives.h"

namespace fingermatch {

namespace {

// Gradient sums over 9 x 9 half-size samples: about two ridge periods, so a
// ridge and a valley average into one stable orientation, yet small enough
// to follow the bend of the ridges near a core.
constexpr uint8_t kGradientWindow = 9;

}  // namespace

OrientationEstimate EstimateOrientation(const GrayImage &image) {
    OrientationEstimate estimate;
    estimate.halfHeight = image.height / 2;
    estimate.halfWidth = image.width / 2;
    const auto height = static_cast<uint16_t>(image.height);
    const auto width = static_cast<uint16_t>(image.width);
    LibraryBuffer<uint8_t> half(ImageReduce(image.pixels.data(), height, width,
                                            static_cast<uint16_t>(estimate.halfHeight),
                                            static_cast<uint16_t>(estimate.halfWidth)));
    if (!half) throw std::bad_alloc();
    int32_t *pPlane = nullptr;
    int32_t *qPlane = nullptr;
    BlockField fine{};
    BlockField fineChange{};
    BlockField coarse{};
    const int32_t status = FingerprintGetDirectionFloat(
        half.get(), static_cast<uint16_t>(estimate.halfHeight), static_cast<uint16_t>(estimate.halfWidth), height,
        width, kGradientWindow, 0, &pPlane, &qPlane, &fine, &fineChange, &coarse);
    LibraryBuffer<int32_t> p(pPlane);
    LibraryBuffer<int32_t> q(qPlane);
    LibraryBuffer<int16_t> fineData(fine.data);
    LibraryBuffer<int16_t> changeData(fineChange.data);
    LibraryBuffer<int16_t> coarseData(coarse.data);
    ThrowIfOutOfMemory(status);
    if (status != 0 || fine.rows == 0 || fine.cols == 0) throw std::bad_alloc();

    estimate.orientation = BlockMap(fine.rows, fine.cols, 8, 0.0f);
    for (size_t i = 0; i < estimate.orientation.values.size(); ++i) {
        float angle = static_cast<float>(fine.data[i]) * std::numbers::pi_v<float> / 180.0f;
        if (angle < 0.0f) angle += std::numbers::pi_v<float>;
        if (angle >= std::numbers::pi_v<float>) angle -= std::numbers::pi_v<float>;
        estimate.orientation.values[i] = angle;
    }
    // The gradient energy that agrees with the window's dominant orientation:
    // high on ridges, low on flat background and on noise, whose gradients
    // point every way. Its fourth root keeps faint and strong prints alike.
    const size_t count = static_cast<size_t>(estimate.halfHeight) * estimate.halfWidth;
    estimate.coherentStrength.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const auto pf = static_cast<float>(p.get()[i]);
        const auto qf = static_cast<float>(q.get()[i]);
        estimate.coherentStrength[i] = std::sqrt(std::sqrt(pf * pf + qf * qf));
    }
    return estimate;
}

}  // namespace fingermatch
