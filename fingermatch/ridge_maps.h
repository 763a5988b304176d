// What the image library tells about a 500 dpi scan before any minutia is
// looked for: where the finger is, which way its ridges run, how far apart
// they are and how clear they are.
#ifndef FINGERMATCH_RIDGE_MAPS_H
#define FINGERMATCH_RIDGE_MAPS_H

#include <cstdint>
#include <vector>

#include "fingermatch/block_map.h"
#include "fingermatch/gray_image.h"

namespace fingermatch {

// The orientation field in 8-pixel blocks, radians from 0 to below pi,
// counterclockwise from the row direction as displayed (the minutia
// convention), and the half-size planes of summed gradient products it was
// made from, which the foreground mask reuses.
struct OrientationEstimate {
    BlockMap orientation;
    int halfHeight = 0;
    int halfWidth = 0;
    std::vector<float> coherentStrength;  // per half-size sample
};
OrientationEstimate EstimateOrientation(const GrayImage &image);

// One byte per pixel, 1 on the finger, 0 elsewhere.
std::vector<uint8_t> ForegroundMask(const OrientationEstimate &estimate, int height, int width);

// The ridge period in pixels per 8-pixel block of the orientation field:
// measured where the finger is, filled in from the surrounding blocks (or the
// finger's median) where it could not be.
BlockMap EstimateRidgePeriod(const GrayImage &image, const BlockMap &orientation,
                             const std::vector<uint8_t> &foreground);

// Ridge clarity per 16-pixel block, 0 ... 1.
BlockMap EstimateBlockQuality(const GrayImage &image);

// Agreement of the gradients on one orientation per 8-pixel block, 0 ... 1.
BlockMap EstimateCoherence(const GrayImage &image);

}  // namespace fingermatch

#endif
