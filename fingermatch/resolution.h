// Scans of other resolutions brought to the extractor's.
#ifndef FINGERMATCH_RESOLUTION_H
#define FINGERMATCH_RESOLUTION_H

#include "fingermatch/gray_image.h"

namespace fingermatch {

// Resolutions the extractor accepts; beyond them a ridge is lost in
// resampling or the scan is no fingerprint scan.
constexpr int kLowestResolution = 250;
constexpr int kHighestResolution = 2000;

// The image resampled to 500 dpi (area averaging when shrinking, bilinear
// when growing); an image at 500 dpi comes back as it is.
GrayImage ToStandardResolution(const GrayImage &image);

}  // namespace fingermatch

#endif
