#include "synthetic_finger.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

namespace fpkey {

GrayImage SyntheticFinger(int height, int width, double ridgePeriod, unsigned seed) {
    GrayImage image;
    image.height = height;
    image.width = width;
    image.pixels.resize(static_cast<size_t>(height) * static_cast<size_t>(width));
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, 8.0);
    // The core sits a little above the middle; the finger is an upright oval.
    const double coreX = width * 0.5;
    const double coreY = height * 0.42;
    const double radiusX = width * 0.36;
    const double radiusY = height * 0.44;
    const double centreY = height * 0.5;
    constexpr double kBackground = 205.0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double dx = x - coreX;
            const double dy = y - coreY;
            // Ellipses around the core, bent into a slight swirl so that
            // the orientation turns through every angle.
            const double swirl = 0.25 * std::sin(std::atan2(dy, dx) * 2.0);
            const double distance = std::sqrt(dx * dx + 1.4 * dy * dy);
            const double phase = 2.0 * std::numbers::pi * distance / ridgePeriod + swirl;
            // Contact fades out over the last tenth of the oval.
            const double ex = (x - coreX) / radiusX;
            const double ey = (y - centreY) / radiusY;
            const double edge = std::clamp((1.0 - std::sqrt(ex * ex + ey * ey)) / 0.1, 0.0, 1.0);
            const double ridges = 110.0 + 75.0 * std::cos(phase);
            const double value = kBackground + edge * (ridges - kBackground) + noise(random);
            image.pixels[static_cast<size_t>(y) * width + x] =
                static_cast<uint8_t>(std::clamp(std::lround(value), 0L, 255L));
        }
    }
    return image;
}

}  // namespace fpkey
