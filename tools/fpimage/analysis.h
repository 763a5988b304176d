// The fpimage analysis: what the image library says about one gray image.
#ifndef FPKEY_TOOLS_FPIMAGE_ANALYSIS_H
#define FPKEY_TOOLS_FPIMAGE_ANALYSIS_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "gray_image.h"

namespace fpkey {

// The smallest side the analysis takes: two blocks of the quality map and
// enough half-size samples for the orientation window.
constexpr int kMinAnalysisSide = 32;

// A per-cell map over the image, row-major; each cell covers cellSize x
// cellSize pixels starting at the image's top-left corner.
template <typename T>
struct CellMap {
    int rows = 0;
    int cols = 0;
    int cellSize = 1;
    std::vector<T> values;

    T at(int row, int col) const { return values[static_cast<size_t>(row) * cols + col]; }
};

// Spacing map values: 8 x the ridge spacing in pixels; this one marks a cell
// that was not measured.
constexpr uint8_t kSpacingUnmeasured = 255;

struct Analysis {
    int height = 0;
    int width = 0;

    // Foreground mask at full size: 255 finger, 0 background.
    std::vector<uint8_t> mask;
    // The threshold chosen on the 8-bit gradient-strength image.
    int threshold = 0;
    double foregroundShare = 0.0;

    // Ridge orientation per 8 x 8 block, degrees -90 ... 90 counterclockwise
    // from the row direction as displayed (0 horizontal ridges).
    CellMap<int16_t> orientation;
    // Ridge spacing per 4 x 4 cell, 8 x spacing in pixels, 255 unmeasured.
    CellMap<uint8_t> spacing;
    // Block quality per 16 x 16 block, 0 ... 255.
    CellMap<uint8_t> quality;

    // Statistics over the foreground: quality of the complete blocks that are
    // mostly finger (0 when none is), spacing of the measured cells.
    double meanQuality = 0.0;
    int lowestQuality = 0;
    // Median ridge spacing in pixels; empty when no cell was measured.
    std::optional<double> medianSpacing;
    // Whether a blank band splits the print; empty when the mask is too tall
    // for the test even at half size.
    std::optional<bool> broken;
    // Boundary^2 / area of the foreground; empty without foreground.
    std::optional<double> complexity;
};

// Runs the whole analysis. On failure returns false with a sentence for
// people in *error (image too small, out of memory); *result is then left
// as it was.
bool Analyze(const GrayImage &image, Analysis *result, std::string *error);

}  // namespace fpkey

#endif
