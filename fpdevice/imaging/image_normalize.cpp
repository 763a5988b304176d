// Stretching a gray image to a target mean and variance, in place.
#include "fpdevice/imaging_primitives.h"

#include <cmath>

namespace {

// Square root of a 32-bit count: the count goes to single precision first,
// the root is taken in double precision and rounded back to single.
float single_sqrt(uint32_t value) {
    return static_cast<float>(std::sqrt(static_cast<double>(static_cast<float>(value))));
}

}  // namespace

extern "C" FPDEVICE_API int32_t ImageNormalize(uint8_t *image, uint16_t height, uint16_t width, uint8_t targetMean,
                                               uint32_t targetVariance) {
    if (image == nullptr) {
        return 1;
    }
    uint32_t *histogram = HistogramCompute(image, height, width);
    if (histogram == nullptr) {
        return 1;
    }
    const uint8_t mean = HistogramGetMean(histogram);
    const uint32_t variance = HistogramGetVariance2(histogram, mean);
    HistogramDestroy(histogram);

    const float sigma = single_sqrt(variance);
    const float targetSigma = single_sqrt(targetVariance);
    // A constant image (sigma 0) becomes the target mean everywhere.
    const float gain = sigma > 0.0f ? targetSigma / sigma : 0.0f;
    const auto offset = static_cast<float>(targetMean);

    const uint32_t samples = static_cast<uint32_t>(height) * width;
    for (uint32_t i = 0; i < samples; ++i) {
        // Difference as an integer, then single precision.
        const int32_t deviation = static_cast<int32_t>(image[i]) - mean;
        float value = static_cast<float>(deviation) * gain + offset;
        if (value < 0.0f) {
            value = 0.0f;
        } else if (value > 255.0f) {
            value = 255.0f;
        }
        // Rounded half up, the addition in double precision.
        image[i] = static_cast<uint8_t>(static_cast<int32_t>(static_cast<double>(value) + 0.5));
    }
    return 0;
}
