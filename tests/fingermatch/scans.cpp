#include "scans.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

#include "fingermatch/evaluation/fvc_protocol.h"
#include "gray_image.h"

namespace fingermatch_test {

fingermatch::GrayImage SharedScan(const std::string &name) {
    fpkey::GrayImage read;
    std::string error;
    const std::string path = std::string(FINGERMATCH_SCANS) + "/" + name + ".pgm";
    // Thrown, so that the test fails there instead of going on with no image.
    if (!fpkey::ReadGrayImage(path, &read, &error)) throw std::runtime_error(path + ": " + error);
    const auto scanName = fingermatch::ParseScanName(name + ".pgm");
    return {read.height, read.width, scanName ? fingermatch::KnownResolution(scanName->set) : 500,
            std::move(read.pixels)};
}

fingermatch::GrayImage TurnedAndMoved(const fingermatch::GrayImage &image, double degrees, int dx, int dy) {
    const double angle = degrees * std::numbers::pi / 180.0;
    const double c = std::cos(angle), s = std::sin(angle);
    const double side = std::hypot(image.width, image.height);
    fingermatch::GrayImage out;
    out.dpi = image.dpi;
    out.width = static_cast<int>(side) + 2 * std::abs(dx);
    out.height = static_cast<int>(side) + 2 * std::abs(dy);
    out.pixels.assign(static_cast<size_t>(out.width) * out.height, 255);
    const double cx = image.width / 2.0, cy = image.height / 2.0;
    const double ox = out.width / 2.0 + dx, oy = out.height / 2.0 + dy;
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x) {
            // Counterclockwise on the display is clockwise in pixel rows.
            const double u = x - ox, v = y - oy;
            const double sx = cx + c * u - s * v;
            const double sy = cy + s * u + c * v;
            if (sx < 0 || sy < 0 || sx > image.width - 1 || sy > image.height - 1) continue;
            const int x0 = static_cast<int>(sx), y0 = static_cast<int>(sy);
            const int x1 = std::min(x0 + 1, image.width - 1), y1 = std::min(y0 + 1, image.height - 1);
            const double wx = sx - x0, wy = sy - y0;
            const auto at = [&](int px, int py) { return image.pixels[static_cast<size_t>(py) * image.width + px]; };
            const double value =
                (1 - wy) * ((1 - wx) * at(x0, y0) + wx * at(x1, y0)) + wy * ((1 - wx) * at(x0, y1) + wx * at(x1, y1));
            out.pixels[static_cast<size_t>(y) * out.width + x] = static_cast<uint8_t>(std::lround(value));
        }
    }
    return out;
}

fingermatch::GrayImage Enlarged(const fingermatch::GrayImage &image, double factor) {
    fingermatch::GrayImage out;
    out.dpi = static_cast<int>(std::lround(image.dpi * factor));
    out.width = static_cast<int>(std::lround(image.width * factor));
    out.height = static_cast<int>(std::lround(image.height * factor));
    out.pixels.resize(static_cast<size_t>(out.width) * out.height);
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x) {
            const double sx = std::clamp((x + 0.5) / factor - 0.5, 0.0, image.width - 1.0);
            const double sy = std::clamp((y + 0.5) / factor - 0.5, 0.0, image.height - 1.0);
            const int x0 = static_cast<int>(sx), y0 = static_cast<int>(sy);
            const int x1 = std::min(x0 + 1, image.width - 1), y1 = std::min(y0 + 1, image.height - 1);
            const double wx = sx - x0, wy = sy - y0;
            const auto at = [&](int px, int py) { return image.pixels[static_cast<size_t>(py) * image.width + px]; };
            out.pixels[static_cast<size_t>(y) * out.width + x] = static_cast<uint8_t>(std::lround(
                (1 - wy) * ((1 - wx) * at(x0, y0) + wx * at(x1, y0)) + wy * ((1 - wx) * at(x0, y1) + wx * at(x1, y1))));
        }
    }
    return out;
}

PlantedPrint PrintWithPlantedMinutiae(double ridgeDegrees) {
    constexpr int kSide = 440;
    constexpr double kPeriod = 9.0;
    constexpr double kLength = 50.0;
    const double psi = ridgeDegrees * std::numbers::pi / 180.0;
    // Along the ridges (a) and across them (b), in pixel coordinates.
    const double ax = std::cos(psi), ay = -std::sin(psi);
    const double bx = std::sin(psi), by = std::cos(psi);
    struct Segment {
        double startX, startY, stopX, stopY;
    };
    std::vector<Segment> segments;
    PlantedPrint print;
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            const double cx = 110.0 + 110.0 * col, cy = 110.0 + 110.0 * row;
            const Segment segment{cx - ax * kLength / 2, cy - ay * kLength / 2, cx + ax * kLength / 2,
                                  cy + ay * kLength / 2};
            segments.push_back(segment);
        }
    }
    const auto winding = [&](const Segment &s, double x, double y) {
        return std::atan2((x - s.startX) * bx + (y - s.startY) * by, (x - s.startX) * ax + (y - s.startY) * ay) -
               std::atan2((x - s.stopX) * bx + (y - s.stopY) * by, (x - s.stopX) * ax + (y - s.stopY) * ay);
    };
    // Each segment winds the phase once around its start and back around
    // its stop: half a period more between the two.
    const auto phaseAt = [&](double x, double y) {
        double phase = 2 * std::numbers::pi * ((x - kSide / 2.0) * bx + (y - kSide / 2.0) * by) / kPeriod;
        for (const Segment &s : segments) phase += winding(s, x, y);
        return phase;
    };
    // Segments are moved across the ridges until the line they lie on is
    // clearly a valley (a short ridge laid in it: two endings) or clearly a
    // ridge (a short valley: two bifurcations), the other segments' windings
    // included; alternately one and the other.
    for (int round = 0; round < 4; ++round) {
        for (size_t i = 0; i < segments.size(); ++i) {
            Segment &s = segments[i];
            const double mx = (s.startX + s.stopX) / 2, my = (s.startY + s.stopY) / 2;
            const double wanted = i % 2 == 0 ? 0.0 : std::numbers::pi;
            const double off = std::remainder(phaseAt(mx, my) - winding(s, mx, my) - wanted, 2 * std::numbers::pi);
            const double shift = -off * kPeriod / (2 * std::numbers::pi);
            s.startX += shift * bx;
            s.stopX += shift * bx;
            s.startY += shift * by;
            s.stopY += shift * by;
        }
    }
    // What the picture shows just outside an end decides its type: a ridge
    // running into the end splits there (a bifurcation), a valley running
    // into it splits around a ridge that ends there.
    const auto typeBeyond = [&](double x, double y) {
        return std::cos(phaseAt(x, y)) < 0.0 ? fingermatch::MinutiaType::kBifurcation
                                             : fingermatch::MinutiaType::kEnding;
    };
    constexpr double kOutside = 3.0;
    for (const Segment &s : segments) {
        print.planted.push_back({static_cast<int>(std::lround(s.startX)), static_cast<int>(std::lround(s.startY)),
                                 static_cast<float>(psi),
                                 typeBeyond(s.startX - kOutside * ax, s.startY - kOutside * ay), 0});
        print.planted.push_back({static_cast<int>(std::lround(s.stopX)), static_cast<int>(std::lround(s.stopY)),
                                 static_cast<float>(std::fmod(psi + std::numbers::pi, 2 * std::numbers::pi)),
                                 typeBeyond(s.stopX + kOutside * ax, s.stopY + kOutside * ay), 0});
    }
    print.image = {kSide, kSide, 500, std::vector<uint8_t>(static_cast<size_t>(kSide) * kSide)};
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const double phase = phaseAt(x, y);
            print.image.pixels[static_cast<size_t>(y) * kSide + x] =
                static_cast<uint8_t>(std::lround(128.0 + 100.0 * std::cos(phase)));
        }
    }
    return print;
}

}  // namespace fingermatch_test
