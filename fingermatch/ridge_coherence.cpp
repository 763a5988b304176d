// How consistently the gradients of a block agree on one orientation (the
// coherence of Kass and Witkin, 1987): near 1 on parallel ridges, near 0 on
// noise and on smudges, whatever their contrast. The image library's block
// quality follows the contrast, so noise of high contrast rates well there;
// coherence tells it apart.
#include <cmath>

#include "fingermatch/ridge_maps.h"

namespace fingermatch {

namespace {

constexpr int kBlock = 8;
// Gradients summed over 16 x 16 pixels around each block: two ridge periods.
constexpr int kReach = 4;

}  // namespace

BlockMap EstimateCoherence(const GrayImage &image) {
    const int height = image.height;
    const int width = image.width;
    const int rows = height / kBlock;
    const int cols = width / kBlock;
    // Central differences per pixel, summed per block first.
    BlockMap xx(rows, cols, kBlock, 0.0f), yy(rows, cols, kBlock, 0.0f), xy(rows, cols, kBlock, 0.0f);
    const auto at = [&](int x, int y) { return static_cast<float>(image.pixels[static_cast<size_t>(y) * width + x]); };
    for (int y = 1; y + 1 < rows * kBlock && y + 1 < height; ++y) {
        for (int x = 1; x + 1 < cols * kBlock && x + 1 < width; ++x) {
            const float gx = at(x + 1, y) - at(x - 1, y);
            const float gy = at(x, y + 1) - at(x, y - 1);
            xx.Cell(y / kBlock, x / kBlock) += gx * gx;
            yy.Cell(y / kBlock, x / kBlock) += gy * gy;
            xy.Cell(y / kBlock, x / kBlock) += gx * gy;
        }
    }
    BlockMap coherence(rows, cols, kBlock, 0.0f);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            double sxx = 0.0, syy = 0.0, sxy = 0.0;
            for (int rr = std::max(0, r - kReach / 2); rr <= std::min(rows - 1, r + kReach / 2 - 1); ++rr) {
                for (int cc = std::max(0, c - kReach / 2); cc <= std::min(cols - 1, c + kReach / 2 - 1); ++cc) {
                    sxx += xx.Cell(rr, cc);
                    syy += yy.Cell(rr, cc);
                    sxy += xy.Cell(rr, cc);
                }
            }
            const double energy = sxx + syy;
            if (energy > 0.0) {
                coherence.Cell(r, c) =
                    static_cast<float>(std::sqrt((sxx - syy) * (sxx - syy) + 4.0 * sxy * sxy) / energy);
            }
        }
    }
    return coherence;
}

}  // namespace fingermatch
