// A 5 x 7 pixel font for the labels of the pictures: digits, capital
// letters (small letters are drawn as capitals) and a little punctuation.
#ifndef FPKEY_TOOLS_FPIMAGE_BITMAP_FONT_H
#define FPKEY_TOOLS_FPIMAGE_BITMAP_FONT_H

#include <array>
#include <cstdint>
#include <string_view>

namespace fpkey {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
// Horizontal distance from one character to the next, in font pixels.
constexpr int kGlyphAdvance = 6;

// Row r of a glyph has bit (4 - c) set where column c is inked. Characters
// without a glyph of their own are drawn as '?'.
const std::array<uint8_t, kGlyphHeight> &Glyph(char c);

// Width in pixels of a text drawn with each font pixel scale x scale.
int TextWidth(std::string_view text, int scale);

}  // namespace fpkey

#endif
