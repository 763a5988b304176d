// A fingerprint-like test picture: elliptical ridges of a known period on an
// oval finger area, on a light background, with a little noise.
#ifndef FPKEY_TOOLS_FPIMAGE_SYNTHETIC_FINGER_H
#define FPKEY_TOOLS_FPIMAGE_SYNTHETIC_FINGER_H

#include "gray_image.h"

namespace fpkey {

// The same arguments always give the same picture.
GrayImage SyntheticFinger(int height, int width, double ridgePeriod, unsigned seed);

}  // namespace fpkey

#endif
