// Per-block values over an image: the orientation, ridge period and quality
// maps the extractor works from.
#ifndef FINGERMATCH_BLOCK_MAP_H
#define FINGERMATCH_BLOCK_MAP_H

#include <algorithm>
#include <vector>

namespace fingermatch {

struct BlockMap {
    int rows = 0;
    int cols = 0;
    int cellSize = 1;  // pixels per block edge
    std::vector<float> values;

    BlockMap() = default;
    BlockMap(int rowCount, int colCount, int size, float fill)
        : rows(rowCount),
          cols(colCount),
          cellSize(size),
          values(static_cast<size_t>(rowCount) * static_cast<size_t>(colCount), fill) {}

    float &Cell(int row, int col) { return values[static_cast<size_t>(row) * cols + col]; }
    float Cell(int row, int col) const { return values[static_cast<size_t>(row) * cols + col]; }
    // The block holding pixel (x, y); pixels past the last block read it.
    float AtPixel(int x, int y) const {
        return Cell(std::clamp(y / cellSize, 0, rows - 1), std::clamp(x / cellSize, 0, cols - 1));
    }
};

}  // namespace fingermatch

#endif
