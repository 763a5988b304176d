// 8-bit gray images read from PGM (P5) or PNG files, and PNG writing.
#ifndef FPKEY_TOOLS_GRAY_IMAGE_H
#define FPKEY_TOOLS_GRAY_IMAGE_H

#include <cstdint>
#include <string>
#include <vector>

namespace fpkey {

struct GrayImage {
    int height = 0;
    int width = 0;
    std::vector<uint8_t> pixels;  // row-major, no padding
};

// The largest side the image routines take (their dimensions are signed 16-bit).
constexpr int kMaxImageSide = 32767;

// Reads a binary PGM (maxval 255) or an 8-bit gray PNG. On failure returns
// false with a sentence for people in *error; nothing is half-read.
bool ReadGrayImage(const std::string &path, GrayImage *image, std::string *error);

// Writes 8-bit samples with 1 (gray) or 3 (RGB) channels as PNG.
bool WritePng(const std::string &path, int height, int width, int channels, const uint8_t *samples,
              std::string *error);

}  // namespace fpkey

#endif
