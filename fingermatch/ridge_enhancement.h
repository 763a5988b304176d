// Ridge enhancement and binarisation.
#ifndef FINGERMATCH_RIDGE_ENHANCEMENT_H
#define FINGERMATCH_RIDGE_ENHANCEMENT_H

#include <cstdint>
#include <vector>

#include "fingermatch/block_map.h"
#include "fingermatch/gray_image.h"

namespace fingermatch {

// One byte per pixel: 1 on a ridge of the finger, 0 in a valley or off the
// finger.
std::vector<uint8_t> BinaryRidges(const GrayImage &image, const BlockMap &orientation, const BlockMap &period,
                                  const std::vector<uint8_t> &foreground);

}  // namespace fingermatch

#endif
