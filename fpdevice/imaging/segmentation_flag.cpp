// The host-facing segmentation flag. The library itself never reads or
// writes it; it is exported for hosts that keep their own refinement choice
// in it.
#include "fpdevice/imaging_segmentation.h"

extern "C" {
uint8_t needRefineSegment = 0;
}
