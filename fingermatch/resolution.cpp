#include "fingermatch/resolution.h"

#include <algorithm>
#include <cmath>

namespace fingermatch {

namespace {

// A sample of the source seen as a box of light: the result pixel takes the
// mean of the source area it covers, so no ridge aliases when shrinking.
float AreaMean(const GrayImage &image, float x0, float y0, float x1, float y1) {
    float sum = 0.0f;
    float weight = 0.0f;
    for (int y = static_cast<int>(std::floor(y0)); static_cast<float>(y) < y1; ++y) {
        const float wy = std::min(y1, static_cast<float>(y + 1)) - std::max(y0, static_cast<float>(y));
        const int sy = std::clamp(y, 0, image.height - 1);
        for (int x = static_cast<int>(std::floor(x0)); static_cast<float>(x) < x1; ++x) {
            const float wx = std::min(x1, static_cast<float>(x + 1)) - std::max(x0, static_cast<float>(x));
            const int sx = std::clamp(x, 0, image.width - 1);
            sum += wx * wy * image.pixels[static_cast<size_t>(sy) * image.width + sx];
            weight += wx * wy;
        }
    }
    return weight > 0.0f ? sum / weight : 255.0f;
}

float Bilinear(const GrayImage &image, float x, float y) {
    x = std::clamp(x, 0.0f, static_cast<float>(image.width - 1));
    y = std::clamp(y, 0.0f, static_cast<float>(image.height - 1));
    const int x0 = static_cast<int>(x);
    const int y0 = static_cast<int>(y);
    const int x1 = std::min(x0 + 1, image.width - 1);
    const int y1 = std::min(y0 + 1, image.height - 1);
    const float wx = x - static_cast<float>(x0);
    const float wy = y - static_cast<float>(y0);
    const auto at = [&](int sx, int sy) {
        return static_cast<float>(image.pixels[static_cast<size_t>(sy) * image.width + sx]);
    };
    return (1 - wy) * ((1 - wx) * at(x0, y0) + wx * at(x1, y0)) + wy * ((1 - wx) * at(x0, y1) + wx * at(x1, y1));
}

}  // namespace

GrayImage ToStandardResolution(const GrayImage &image) {
    if (image.dpi == kStandardResolution) return image;
    const float scale = static_cast<float>(kStandardResolution) / static_cast<float>(image.dpi);
    GrayImage result;
    result.dpi = kStandardResolution;
    result.width = std::max(1, static_cast<int>(std::lround(static_cast<float>(image.width) * scale)));
    result.height = std::max(1, static_cast<int>(std::lround(static_cast<float>(image.height) * scale)));
    result.pixels.resize(static_cast<size_t>(result.width) * result.height);
    const float step = 1.0f / scale;
    for (int y = 0; y < result.height; ++y) {
        for (int x = 0; x < result.width; ++x) {
            const float value = scale < 1.0f
                                    ? AreaMean(image, static_cast<float>(x) * step, static_cast<float>(y) * step,
                                               static_cast<float>(x + 1) * step, static_cast<float>(y + 1) * step)
                                    : Bilinear(image, (static_cast<float>(x) + 0.5f) * step - 0.5f,
                                               (static_cast<float>(y) + 0.5f) * step - 0.5f);
            result.pixels[static_cast<size_t>(y) * result.width + x] =
                static_cast<uint8_t>(std::clamp(std::lround(value), 0L, 255L));
        }
    }
    return result;
}

}  // namespace fingermatch
