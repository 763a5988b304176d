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

// The most pixels a header may claim unless the caller allows more: a few
// bytes of header must not make a reader take gigabytes.
constexpr uint64_t kDefaultMaxPixels = 64'000'000;

// Reads a binary PGM (maxval 255) or an 8-bit gray PNG. On failure returns
// false with a sentence for people in *error; nothing is half-read. A header
// claiming more than maxPixels pixels, or (PGM) more samples than the file
// holds, is refused before anything is allocated for the pixels.
bool ReadGrayImage(const std::string &path, GrayImage *image, std::string *error,
                   uint64_t maxPixels = kDefaultMaxPixels);

// Writes 8-bit samples with 1 (gray) or 3 (RGB) channels as PNG.
bool WritePng(const std::string &path, int height, int width, int channels, const uint8_t *samples, std::string *error);

}  // namespace fpkey

#endif
