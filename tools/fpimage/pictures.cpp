#include "pictures.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <iomanip>
#include <numbers>
#include <optional>
#include <sstream>
#include <vector>

#include "bitmap_font.h"
#include "colour_map.h"

namespace fpkey {
namespace {

constexpr Rgb kPanel{34, 36, 40};
constexpr Rgb kInk{232, 232, 232};
constexpr Rgb kBackgroundTint{40, 70, 160};
constexpr Rgb kOutline{40, 230, 100};
// Ridge directions: a bright core on a dark rim reads on light and dark
// ridges alike.
constexpr Rgb kRidgeLine{255, 60, 40};
constexpr Rgb kRidgeRim{20, 20, 24};
constexpr double kRidgeLineWidth = 2.0;
constexpr double kRidgeRimWidth = 4.0;
constexpr Rgb kUnmeasured{120, 120, 120};

constexpr int kLegendWidth = 88;
// Tall enough for a readable colour bar with five numbers even when the
// image is small.
constexpr int kMinPictureHeight = 160;
constexpr int kTitleHeight = 22;
constexpr int kGap = 8;

bool InFinger(const Analysis &a, int y, int x) { return a.mask[static_cast<size_t>(y) * a.width + x] != 0; }

Rgb GrayAt(const GrayImage &image, int y, int x) {
    const uint8_t v = image.pixels[static_cast<size_t>(y) * image.width + x];
    return {v, v, v};
}

// The image outside the finger, tinted so that the finger stands out.
Rgb Dimmed(Rgb gray) { return Mix(gray, kBackgroundTint, 0.55); }

Canvas Frame(const GrayImage &image) {
    return Canvas(std::max(image.height, kMinPictureHeight), image.width + kLegendWidth, kPanel);
}

void Swatch(Canvas &canvas, int top, int left, Rgb colour, const std::string &label) {
    canvas.FillRect(top, left, 10, 14, colour);
    canvas.FrameRect(top, left, 10, 14, kInk);
    canvas.Text(top + 2, left + 19, label, kInk, 1);
}

std::string Number(double value, int decimals) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(decimals) << value;
    return text.str();
}

// A vertical colour bar from low (bottom) to high (top) with five numbers,
// its unit above and a swatch for cells without a value below.
void ColourBar(Canvas &canvas, int left, double low, double high, const std::string &unit, int decimals) {
    const int top = 20;
    const int bottom = canvas.height() - 34;
    const int barHeight = bottom - top;
    canvas.Text(6, left, unit, kInk, 1);
    for (int y = 0; y < barHeight; ++y) {
        const double t = 1.0 - static_cast<double>(y) / (barHeight - 1);
        canvas.FillRect(top + y, left, 1, 14, ScaleColour(t));
    }
    canvas.FrameRect(top - 1, left - 1, barHeight + 2, 16, kInk);
    for (int i = 0; i <= 4; ++i) {
        const double t = i / 4.0;
        const int y = bottom - 1 - static_cast<int>(std::lround(t * (barHeight - 1)));
        canvas.FillRect(y, left + 15, 1, 4, kInk);
        canvas.Text(y - 3, left + 22, Number(low + t * (high - low), decimals), kInk, 1);
    }
    Swatch(canvas, canvas.height() - 22, left, kUnmeasured, "NONE");
}

// A heat map: each pixel of the finger takes the colour of its cell's value
// (on the scale low ... high); cells without a value and the background
// show the image.
Canvas HeatMap(const GrayImage &image, const Analysis &a, int cellSize, int rows, int cols,
               const std::function<std::optional<double>(int, int)> &value, double low, double high,
               const std::string &unit, int decimals) {
    Canvas canvas = Frame(image);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const Rgb gray = GrayAt(image, y, x);
            const int r = y / cellSize;
            const int c = x / cellSize;
            std::optional<double> v;
            if (r < rows && c < cols && InFinger(a, y, x)) v = value(r, c);
            if (!InFinger(a, y, x)) {
                canvas.Set(y, x, Dimmed(gray));
            } else if (!v) {
                canvas.Set(y, x, Mix(gray, kUnmeasured, 0.6));
            } else {
                // A trace of the image keeps the ridges visible under the colour.
                canvas.Set(y, x, Mix(gray, ScaleColour((*v - low) / (high - low)), 0.8));
            }
        }
    }
    ColourBar(canvas, image.width + 10, low, high, unit, decimals);
    return canvas;
}

}  // namespace

Canvas MaskPicture(const GrayImage &image, const Analysis &a) {
    Canvas canvas = Frame(image);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const Rgb gray = GrayAt(image, y, x);
            if (!InFinger(a, y, x)) {
                canvas.Set(y, x, Dimmed(gray));
                continue;
            }
            const bool edge = y == 0 || x == 0 || y == image.height - 1 || x == image.width - 1 ||
                              !InFinger(a, y - 1, x) || !InFinger(a, y + 1, x) || !InFinger(a, y, x - 1) ||
                              !InFinger(a, y, x + 1);
            canvas.Set(y, x, edge ? kOutline : gray);
        }
    }
    const int left = image.width + 10;
    Swatch(canvas, 10, left, GrayAt(image, image.height / 2, image.width / 2), "FINGER");
    Swatch(canvas, 28, left, Dimmed({200, 200, 200}), "BACKGROUND");
    Swatch(canvas, 46, left, kOutline, "OUTLINE");
    return canvas;
}

Canvas OrientationPicture(const GrayImage &image, const Analysis &a) {
    Canvas canvas = Frame(image);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const Rgb gray = GrayAt(image, y, x);
            // Lightened so that the lines stay visible on dark ridges.
            canvas.Set(y, x, InFinger(a, y, x) ? Mix(gray, {255, 255, 255}, 0.45) : Dimmed(gray));
        }
    }
    // A line through the centre of every other block of the field, along
    // the ridges (a line per block is too dense to read); the angle counts
    // counterclockwise while rows run downward.
    const int size = a.orientation.cellSize;
    const double half = size * 0.8;
    struct Segment {
        double x0, y0, x1, y1;
    };
    std::vector<Segment> segments;
    for (int r = 0; r < a.orientation.rows; r += 2) {
        for (int c = 0; c < a.orientation.cols; c += 2) {
            const int cy = r * size + size / 2;
            const int cx = c * size + size / 2;
            if (cy >= image.height || cx >= image.width || !InFinger(a, cy, cx)) continue;
            const double angle = a.orientation.at(r, c) * std::numbers::pi / 180.0;
            const double dx = std::cos(angle) * half;
            const double dy = -std::sin(angle) * half;
            segments.push_back({cx - dx, cy - dy, cx + dx, cy + dy});
        }
    }
    // Every rim first, so that no rim covers a neighbour's core.
    for (const Segment &s : segments) canvas.WideLine(s.x0, s.y0, s.x1, s.y1, kRidgeRimWidth, kRidgeRim);
    for (const Segment &s : segments) canvas.WideLine(s.x0, s.y0, s.x1, s.y1, kRidgeLineWidth, kRidgeLine);
    const int left = image.width + 10;
    canvas.FillRect(13, left, 4, 14, kRidgeRim);
    canvas.FillRect(14, left, 2, 14, kRidgeLine);
    canvas.Text(10, left + 19, "RIDGE", kInk, 1);
    canvas.Text(20, left + 19, "DIRECTION", kInk, 1);
    canvas.Text(34, left, "EVERY " + std::to_string(2 * size) + " PX", kInk, 1);
    return canvas;
}

Canvas SpacingPicture(const GrayImage &image, const Analysis &a) {
    const auto value = [&a](int r, int c) -> std::optional<double> {
        const uint8_t v = a.spacing.at(r, c);
        if (v == kSpacingUnmeasured) return std::nullopt;
        // A spacing outside the scale is a profile the estimate could not
        // read (ridges of a finger at 500 dpi lie well within it): painted at
        // the scale's end it would pass for a measurement.
        const double pixels = v / 8.0;
        if (pixels < kSpacingScaleLow || pixels > kSpacingScaleHigh) return std::nullopt;
        return pixels;
    };
    return HeatMap(image, a, a.spacing.cellSize, a.spacing.rows, a.spacing.cols, value, kSpacingScaleLow,
                   kSpacingScaleHigh, "PIXELS", 0);
}

Canvas QualityPicture(const GrayImage &image, const Analysis &a) {
    // Blocks of an incomplete last row or column are not rated.
    const int ratedRows = image.height / 16;
    const int ratedCols = image.width / 16;
    const auto value = [&a, ratedRows, ratedCols](int r, int c) -> std::optional<double> {
        if (r >= ratedRows || c >= ratedCols) return std::nullopt;
        return a.quality.at(r, c);
    };
    return HeatMap(image, a, a.quality.cellSize, a.quality.rows, a.quality.cols, value, kQualityScaleLow,
                   kQualityScaleHigh, "QUALITY", 0);
}

Canvas OverviewSheet(const GrayImage &image, const Analysis &a, const std::string &heading, const Canvas *minutiae) {
    const Canvas panels[5] = {MaskPicture(image, a), OrientationPicture(image, a), SpacingPicture(image, a),
                              QualityPicture(image, a), minutiae ? *minutiae : Canvas(0, 0, kPanel)};
    const char *titles[5] = {"FOREGROUND MASK", "ORIENTATION", "RIDGE SPACING", "BLOCK QUALITY", "MINUTIAE"};
    const int count = minutiae ? 5 : 4;
    const int rows = (count + 1) / 2;
    const int panelWidth = panels[0].width();
    const int panelHeight = panels[0].height() + kTitleHeight;
    const int sheetWidth = 2 * panelWidth + 3 * kGap;
    const int headingScale = TextWidth(heading, 2) + 2 * kGap <= sheetWidth ? 2 : 1;
    const int headingHeight = 7 * headingScale + 2 * kGap;
    Canvas sheet(headingHeight + rows * panelHeight + (rows + 1) * kGap, sheetWidth, {20, 21, 24});
    sheet.Text(kGap, kGap, heading, kInk, headingScale);
    for (int i = 0; i < count; ++i) {
        const int top = headingHeight + kGap + (i / 2) * (panelHeight + kGap);
        const int left = kGap + (i % 2) * (panelWidth + kGap);
        const int scale = TextWidth(titles[i], 2) <= panelWidth ? 2 : 1;
        sheet.FillRect(top, left, kTitleHeight, panelWidth, kPanel);
        sheet.Text(top + (kTitleHeight - 7 * scale) / 2, left + 4, titles[i], kInk, scale);
        sheet.Blit(top + kTitleHeight, left, panels[i]);
    }
    return sheet;
}

}  // namespace fpkey
