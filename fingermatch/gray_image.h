// An 8-bit gray scan as the extractor takes it.
#ifndef FINGERMATCH_GRAY_IMAGE_H
#define FINGERMATCH_GRAY_IMAGE_H

#include <cstdint>
#include <vector>

namespace fingermatch {

// Every distance the extractor and the matcher use is tuned for this
// resolution; scans of another resolution are resampled to it first.
constexpr int kStandardResolution = 500;

struct GrayImage {
    int height = 0;
    int width = 0;
    int dpi = kStandardResolution;
    std::vector<uint8_t> pixels;  // row-major, no padding, dark ridges on a light background
};

}  // namespace fingermatch

#endif
