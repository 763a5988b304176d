// An RGB picture in memory with the few drawing operations the analysis
// pictures need. Everything drawn is clipped to the canvas.
#ifndef FPKEY_TOOLS_FPIMAGE_CANVAS_H
#define FPKEY_TOOLS_FPIMAGE_CANVAS_H

#include <cstdint>
#include <string_view>
#include <vector>

namespace fpkey {

struct Rgb {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    bool operator==(const Rgb &) const = default;
};

// (1 - alpha) * under + alpha * over, alpha 0 ... 1.
Rgb Mix(Rgb under, Rgb over, double alpha);

class Canvas {
public:
    Canvas(int height, int width, Rgb fill);

    int height() const { return height_; }
    int width() const { return width_; }
    // Three samples per pixel, row-major, ready for WritePng.
    const std::vector<uint8_t> &samples() const { return samples_; }

    Rgb Get(int y, int x) const;
    void Set(int y, int x, Rgb colour);
    void FillRect(int top, int left, int height, int width, Rgb colour);
    // A one-pixel outline just inside the rectangle.
    void FrameRect(int top, int left, int height, int width, Rgb colour);
    // A line between pixel centres, one pixel wide.
    void Line(double x0, double y0, double x1, double y1, Rgb colour);
    // A line of the given width (in pixels), made of squares stamped along it.
    void WideLine(double x0, double y0, double x1, double y1, double width, Rgb colour);
    // Text with its top-left corner at (top, left); each font pixel becomes
    // scale x scale pixels.
    void Text(int top, int left, std::string_view text, Rgb colour, int scale);
    // A gray image with its top-left corner at (top, left).
    void DrawGray(int top, int left, const uint8_t *gray, int height, int width);
    void Blit(int top, int left, const Canvas &other);

private:
    size_t Index(int y, int x) const { return (static_cast<size_t>(y) * width_ + x) * 3; }
    bool Inside(int y, int x) const { return y >= 0 && x >= 0 && y < height_ && x < width_; }

    int height_;
    int width_;
    std::vector<uint8_t> samples_;
};

}  // namespace fpkey

#endif
