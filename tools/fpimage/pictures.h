// Pictures of an analysis that a person can read at a glance: the mask and
// the orientation lines over the image, the spacing and quality maps as heat
// maps with a colour bar, and one overview sheet with all four.
#ifndef FPKEY_TOOLS_FPIMAGE_PICTURES_H
#define FPKEY_TOOLS_FPIMAGE_PICTURES_H

#include <string>

#include "analysis.h"
#include "canvas.h"
#include "gray_image.h"

namespace fpkey {

// Ranges of the colour bars; values beyond them take the end colours.
constexpr double kSpacingScaleLow = 4.0;  // pixels
constexpr double kSpacingScaleHigh = 16.0;
constexpr double kQualityScaleLow = 0.0;
constexpr double kQualityScaleHigh = 200.0;

// Each picture is the image at its own size with a legend column to its right.
Canvas MaskPicture(const GrayImage &image, const Analysis &analysis);
Canvas OrientationPicture(const GrayImage &image, const Analysis &analysis);
Canvas SpacingPicture(const GrayImage &image, const Analysis &analysis);
Canvas QualityPicture(const GrayImage &image, const Analysis &analysis);

// The four pictures in two rows under a heading, each with a title; the
// minutiae picture, when given, in a third row.
Canvas OverviewSheet(const GrayImage &image, const Analysis &analysis, const std::string &heading,
                     const Canvas *minutiae = nullptr);

}  // namespace fpkey

#endif
