// The minutiae the simulated key's extractor finds, over the print: endings
// and bifurcations, each with a stroke in its direction.
#ifndef FPKEY_TOOLS_FPIMAGE_MINUTIAE_PICTURE_H
#define FPKEY_TOOLS_FPIMAGE_MINUTIAE_PICTURE_H

#include "canvas.h"
#include "fingermatch/fingermatch.h"
#include "gray_image.h"

namespace fpkey {

// The extraction of the image as a 500 dpi scan.
fingermatch::ExtractResult ExtractMinutiae(const GrayImage &image);

// The image at its own size with a legend column to its right; when the
// extractor refused the image, the legend says why.
Canvas MinutiaePicture(const GrayImage &image, const fingermatch::ExtractResult &extraction);

}  // namespace fpkey

#endif
