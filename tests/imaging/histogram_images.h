// Images made to a given histogram, for the tests of the thresholds (which
// look at the histogram only).
#ifndef FPKEY_TESTS_IMAGING_HISTOGRAM_IMAGES_H
#define FPKEY_TESTS_IMAGING_HISTOGRAM_IMAGES_H

#include <cstdint>
#include <vector>

namespace histogram_images {

using Counts = std::vector<int>;  // 256 counts, one per gray level

// One column of samples holding exactly the given number of each level, in
// increasing order.
inline std::vector<uint8_t> column_of(const Counts &counts) {
    std::vector<uint8_t> image;
    for (int v = 0; v < 256; ++v) {
        image.insert(image.end(), static_cast<size_t>(counts[v]), static_cast<uint8_t>(v));
    }
    return image;
}

}  // namespace histogram_images

#endif
