// One image through fpimage: read, analyse, write its pictures.
#ifndef FPKEY_TOOLS_FPIMAGE_IMAGE_RUN_H
#define FPKEY_TOOLS_FPIMAGE_IMAGE_RUN_H

#include <cstdint>
#include <string>

#include "gray_image.h"
#include "report.h"

namespace fpkey {

// Analyses the image at path. With a non-empty outDir (an existing
// directory) the five pictures are written there as <stem>_<kind>.png.
// Never throws for a bad image: the outcome then carries the reason. An
// image of more than maxPixels pixels is refused before it is read.
ImageOutcome AnalyzeFile(const std::string &path, const std::string &outDir, const std::string &stem,
                         uint64_t maxPixels = kDefaultMaxPixels);

}  // namespace fpkey

#endif
