// Histogram of an 8-bit image from counts of neighbouring sample pairs.
// Private to the library.
#ifndef FPDEVICE_IMAGING_HISTOGRAM_PAIRS_H
#define FPDEVICE_IMAGING_HISTOGRAM_PAIRS_H

#include <cstdint>

namespace fpdevice::imaging {

// Below this many samples, zeroing and summing the 64 KiB pair table costs
// more than the pairs save.
constexpr uint32_t kCountByPairsFrom = uint32_t{1} << 15;

// Adds the counts of the samples' gray levels to histogram (256 entries).
// False, with histogram untouched, when the pair table cannot be allocated.
bool count_by_pairs(const uint8_t *image, uint32_t samples, uint32_t *histogram);

}  // namespace fpdevice::imaging

#endif  // FPDEVICE_IMAGING_HISTOGRAM_PAIRS_H
