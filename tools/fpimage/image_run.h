// Images through fpimage: read, analyse, write their pictures.
#ifndef FPKEY_TOOLS_FPIMAGE_IMAGE_RUN_H
#define FPKEY_TOOLS_FPIMAGE_IMAGE_RUN_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "gray_image.h"
#include "report.h"

namespace fpkey {

// Analyses the image at path. With a non-empty outDir (an existing
// directory) the five pictures are written there as <stem>_<kind>.png.
// Never throws for a bad image: the outcome then carries the reason. An
// image of more than maxPixels pixels is refused before it is read.
ImageOutcome AnalyzeFile(const std::string &path, const std::string &outDir, const std::string &stem,
                         uint64_t maxPixels = kDefaultMaxPixels);

// What a batch reports as it runs, always on the thread that called
// AnalyzeFiles, so one writer draws the progress.
struct BatchEvents {
    std::function<void(size_t index)> started;
    std::function<void(size_t index, const ImageOutcome &outcome)> finished;
};

// AnalyzeFile for paths[i] with stems[i], up to jobs images at a time;
// outcome i belongs to paths[i] whatever order they finish in.
std::vector<ImageOutcome> AnalyzeFiles(const std::vector<std::string> &paths, const std::vector<std::string> &stems,
                                       const std::string &outDir, uint64_t maxPixels, int jobs,
                                       const BatchEvents &events);

}  // namespace fpkey

#endif
