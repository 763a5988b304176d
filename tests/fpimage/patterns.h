// Synthetic gray images with known properties for the fpimage tests.
#ifndef FPKEY_TESTS_FPIMAGE_PATTERNS_H
#define FPKEY_TESTS_FPIMAGE_PATTERNS_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>

#include "gray_image.h"

namespace fpkey::patterns {

inline GrayImage Generate(int height, int width, const std::function<double(int, int)> &value) {
    GrayImage image;
    image.height = height;
    image.width = width;
    image.pixels.resize(static_cast<size_t>(height) * width);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double v = std::clamp(value(y, x), 0.0, 255.0);
            image.pixels[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>(std::lround(v));
        }
    }
    return image;
}

// Ridges (a sinusoid of the given period across them) running at the given
// angle, counterclockwise from the row direction as displayed.
inline double Ridge(int y, int x, double period, double degrees) {
    const double t = degrees * M_PI / 180.0;
    const double across = x * std::sin(t) + y * std::cos(t);
    return 128.0 + 90.0 * std::sin(2.0 * M_PI * across / period);
}

inline GrayImage Stripes(int side, double period, double degrees) {
    return Generate(side, side, [=](int y, int x) { return Ridge(y, x, period, degrees); });
}

// A round finger area of ridges on a flat background.
inline GrayImage RidgedDisc(int side, double radius, double period) {
    return Generate(side, side, [=](int y, int x) {
        const double dy = y - side / 2.0;
        const double dx = x - side / 2.0;
        return dx * dx + dy * dy <= radius * radius ? Ridge(y, x, period, 30.0) : 200.0;
    });
}

// Ridges over the whole image but for a blank horizontal band.
inline GrayImage BandedStripes(int side, double period, int bandTop, int bandHeight) {
    return Generate(side, side, [=](int y, int x) {
        return y >= bandTop && y < bandTop + bandHeight ? 200.0 : Ridge(y, x, period, 60.0);
    });
}

}  // namespace fpkey::patterns

#endif
