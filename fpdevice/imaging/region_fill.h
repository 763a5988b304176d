// The scan-line region fill behind RegionGrow and RemoveSmallArea. Private to
// the library.
//
// The fill recolours a run as soon as it finds it and keeps the run on a
// stack, so every maximal run is pushed at most once: a stack with room for
// the number of matching runs in the whole image can never overflow. Each
// run remembers the run it was found from (its parent, one row up or down);
// the part of the parent's row under the parent is filled already and is not
// searched again. The result (which pixels change, the area, the bounding
// box) is that of any complete fill of the 4-connected region, whatever order
// the runs are visited in.
#ifndef FPDEVICE_IMAGING_REGION_FILL_H
#define FPDEVICE_IMAGING_REGION_FILL_H

#include "gray_runs.h"

#include <cstdint>

namespace fpdevice::imaging {

// One maximal run of a region, and the columns of the run in row
// row - step it was found from (an empty span for the seed's run).
struct RunSegment {
    int16_t row;
    int16_t first;
    int16_t last;
    int16_t step;  // +1: found from the row above, -1: from the row below
    int16_t parentFirst;
    int16_t parentLast;
};

struct RegionExtent {
    uint32_t area;
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// The extent reported for "no region": area 0 and the box a fill starts
// from, which no pixel has widened.
inline RegionExtent empty_extent(int32_t height, int32_t width) { return RegionExtent{0, width, height, 0, 0}; }

// A stack size that no fill of this image can exceed: the number of maximal
// runs of matching pixels along its rows. Up to a few megabytes of stack the
// most runs any image of this size can hold, height x ceil(width / 2), is
// taken instead, which spares reading the whole image for a small region.
// The range must not be empty.
uint32_t runs_bound(const uint8_t *image, int32_t height, int32_t width, const GrayRange &range);

// Fills the region of the seed with fill. The caller has checked that the
// range is not empty, the seed lies inside the image and matches, fill does
// not match, and stack has room for count_matching_runs entries.
RegionExtent fill_region(uint8_t *image, int32_t height, int32_t width, int32_t seedRow, int32_t seedCol,
                         const GrayRange &range, uint8_t fill, RunSegment *stack);

}  // namespace fpdevice::imaging

#endif
