// The colour scale of the heat maps: dark violet for low values through
// teal and green to yellow for high ones. Its lightness rises steadily, so
// the order of the colours reads correctly in gray print as well.
#ifndef FPKEY_TOOLS_FPIMAGE_COLOUR_MAP_H
#define FPKEY_TOOLS_FPIMAGE_COLOUR_MAP_H

#include "canvas.h"

namespace fpkey {

// The colour of position t on the scale; t is clamped to 0 ... 1.
Rgb ScaleColour(double t);

}  // namespace fpkey

#endif
