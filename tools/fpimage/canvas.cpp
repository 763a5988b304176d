#include "canvas.h"

#include <algorithm>
#include <cmath>

#include "bitmap_font.h"

namespace fpkey {

Rgb Mix(Rgb under, Rgb over, double alpha) {
    const auto mix = [alpha](uint8_t a, uint8_t b) {
        return static_cast<uint8_t>(std::lround((1.0 - alpha) * a + alpha * b));
    };
    return {mix(under.r, over.r), mix(under.g, over.g), mix(under.b, over.b)};
}

Canvas::Canvas(int height, int width, Rgb fill)
    : height_(std::max(height, 0)), width_(std::max(width, 0)), samples_(static_cast<size_t>(height_) * width_ * 3) {
    FillRect(0, 0, height_, width_, fill);
}

Rgb Canvas::Get(int y, int x) const {
    if (!Inside(y, x)) return {};
    const size_t i = Index(y, x);
    return {samples_[i], samples_[i + 1], samples_[i + 2]};
}

void Canvas::Set(int y, int x, Rgb colour) {
    if (!Inside(y, x)) return;
    const size_t i = Index(y, x);
    samples_[i] = colour.r;
    samples_[i + 1] = colour.g;
    samples_[i + 2] = colour.b;
}

void Canvas::FillRect(int top, int left, int height, int width, Rgb colour) {
    const int y0 = std::max(top, 0);
    const int y1 = std::min(top + height, height_);
    const int x0 = std::max(left, 0);
    const int x1 = std::min(left + width, width_);
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) Set(y, x, colour);
    }
}

void Canvas::FrameRect(int top, int left, int height, int width, Rgb colour) {
    FillRect(top, left, 1, width, colour);
    FillRect(top + height - 1, left, 1, width, colour);
    FillRect(top, left, height, 1, colour);
    FillRect(top, left + width - 1, height, 1, colour);
}

void Canvas::Line(double x0, double y0, double x1, double y1, Rgb colour) { WideLine(x0, y0, x1, y1, 1.0, colour); }

void Canvas::WideLine(double x0, double y0, double x1, double y1, double width, Rgb colour) {
    const double steps = std::max({std::abs(x1 - x0), std::abs(y1 - y0), 1.0});
    const int count = static_cast<int>(std::ceil(steps));
    // A square of side `width` around each point of the line; even widths
    // lean towards the lower right.
    const int side = std::max(1, static_cast<int>(std::lround(width)));
    const int before = (side - 1) / 2;
    for (int i = 0; i <= count; ++i) {
        const double t = static_cast<double>(i) / count;
        const int y = static_cast<int>(std::lround(y0 + t * (y1 - y0)));
        const int x = static_cast<int>(std::lround(x0 + t * (x1 - x0)));
        FillRect(y - before, x - before, side, side, colour);
    }
}

void Canvas::Text(int top, int left, std::string_view text, Rgb colour, int scale) {
    int x = left;
    for (const char c : text) {
        const auto &rows = Glyph(c);
        for (int r = 0; r < kGlyphHeight; ++r) {
            for (int col = 0; col < kGlyphWidth; ++col) {
                if ((rows[r] >> (kGlyphWidth - 1 - col)) & 1) {
                    FillRect(top + r * scale, x + col * scale, scale, scale, colour);
                }
            }
        }
        x += kGlyphAdvance * scale;
    }
}

void Canvas::DrawGray(int top, int left, const uint8_t *gray, int height, int width) {
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint8_t v = gray[static_cast<size_t>(y) * width + x];
            Set(top + y, left + x, {v, v, v});
        }
    }
}

void Canvas::Blit(int top, int left, const Canvas &other) {
    for (int y = 0; y < other.height(); ++y) {
        for (int x = 0; x < other.width(); ++x) Set(top + y, left + x, other.Get(y, x));
    }
}

}  // namespace fpkey
