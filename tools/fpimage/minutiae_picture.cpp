#include "minutiae_picture.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

namespace fpkey {
namespace {

constexpr Rgb kPanel{34, 36, 40};
constexpr Rgb kInk{232, 232, 232};
constexpr Rgb kEnding{235, 40, 40};
constexpr Rgb kBifurcation{40, 200, 255};
constexpr int kLegendWidth = 88;
constexpr int kMinPictureHeight = 160;
constexpr int kMarkRadius = 4;
constexpr double kStrokeLength = 12.0;

const char *Refusal(fingermatch::ExtractStatus status) {
    switch (status) {
        case fingermatch::ExtractStatus::kOk: return "";
        case fingermatch::ExtractStatus::kBadImage: return "NOT A SCAN";
        case fingermatch::ExtractStatus::kSmallArea: return "AREA SMALL";
        case fingermatch::ExtractStatus::kPoorQuality: return "POOR QUALITY";
        case fingermatch::ExtractStatus::kFewMinutiae: return "FEW MINUTIAE";
    }
    return "";
}

void Circle(Canvas &canvas, int cy, int cx, Rgb colour) {
    constexpr int kSteps = 24;
    for (int i = 0; i < kSteps; ++i) {
        const double a0 = 2 * std::numbers::pi * i / kSteps, a1 = 2 * std::numbers::pi * (i + 1) / kSteps;
        canvas.Line(cx + kMarkRadius * std::cos(a0), cy + kMarkRadius * std::sin(a0), cx + kMarkRadius * std::cos(a1),
                    cy + kMarkRadius * std::sin(a1), colour);
    }
}

// Endings are circles, bifurcations squares: told apart without colour too.
void Mark(Canvas &canvas, const fingermatch::Minutia &m) {
    const Rgb colour = m.type == fingermatch::MinutiaType::kEnding ? kEnding : kBifurcation;
    if (m.type == fingermatch::MinutiaType::kEnding) {
        Circle(canvas, m.y, m.x, colour);
    } else {
        canvas.FrameRect(m.y - kMarkRadius, m.x - kMarkRadius, 2 * kMarkRadius + 1, 2 * kMarkRadius + 1, colour);
    }
    // Directions count counterclockwise while rows run downward.
    const double dx = std::cos(m.direction), dy = -std::sin(m.direction);
    canvas.Line(m.x + dx * kMarkRadius, m.y + dy * kMarkRadius, m.x + dx * kStrokeLength, m.y + dy * kStrokeLength,
                colour);
}

}  // namespace

fingermatch::ExtractResult ExtractMinutiae(const GrayImage &image) {
    fingermatch::GrayImage scan;
    scan.height = image.height;
    scan.width = image.width;
    scan.pixels = image.pixels;
    return fingermatch::Extract(scan);
}

Canvas MinutiaePicture(const GrayImage &image, const fingermatch::ExtractResult &extraction) {
    Canvas canvas(std::max(image.height, kMinPictureHeight), image.width + kLegendWidth, kPanel);
    canvas.DrawGray(0, 0, image.pixels.data(), image.height, image.width);
    for (const auto &minutia : extraction.features.minutiae) Mark(canvas, minutia);
    const int left = image.width + 10;
    Circle(canvas, 15, left + 5, kEnding);
    canvas.Text(12, left + 15, "ENDING", kInk, 1);
    canvas.FrameRect(26, left + 1, 9, 9, kBifurcation);
    canvas.Text(28, left + 15, "FORK", kInk, 1);
    canvas.Text(46, left, std::to_string(extraction.features.minutiae.size()) + " FOUND", kInk, 1);
    if (extraction.status != fingermatch::ExtractStatus::kOk)
        canvas.Text(58, left, Refusal(extraction.status), kEnding, 1);
    return canvas;
}

}  // namespace fpkey
