// Ridge period from the image library's spacing map: profiles across the
// ridges along the orientation field (the oriented-window method of Hong,
// Wan and Jain 1998). Single cells are noisy, so a block takes the median of
// the measured cells around it.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "fingermatch/library_buffers.h"
#include "fingermatch/ridge_maps.h"
#include "fpdevice/imaging_frequency.h"
#include "fpdevice/imaging_localsums.h"

namespace fingermatch {

namespace {

// Periods outside this range are not ridges at 500 dpi (from children's
// fingers to the widest adult ridges).
constexpr float kShortestPeriod = 5.0f;
constexpr float kLongestPeriod = 15.0f;
// When nothing around could be measured: a common adult ridge period.
constexpr float kTypicalPeriod = 9.0f;
// A block takes the median of the cells in this many blocks around it
// (5 x 5 blocks of 8 pixels: a few ridge periods, enough cells for a stable
// median, small enough for the period's slow changes over a finger).
constexpr int kNeighbourhood = 2;
// The spacing routine's cells and its scale.
constexpr int kCellSize = 4;
constexpr float kSpacingScale = 8.0f;
constexpr uint8_t kUnmeasured = 255;
// Sensor noise of a pixel or two would count as extra ridges in a profile
// averaged over only a few samples: a 3 x 3 mean removes it first.
constexpr uint8_t kSmoothing = 3;

float Median(std::vector<float> *values) {
    const auto middle = values->begin() + static_cast<std::ptrdiff_t>(values->size() / 2);
    std::nth_element(values->begin(), middle, values->end());
    return *middle;
}

// The spacing routine reads the field bottom-up with clockwise angles.
std::vector<int16_t> FieldForSpacing(const BlockMap &orientation) {
    std::vector<int16_t> field(orientation.values.size());
    for (int r = 0; r < orientation.rows; ++r) {
        for (int c = 0; c < orientation.cols; ++c) {
            float degrees = orientation.Cell(r, c) * 180.0f / std::numbers::pi_v<float>;
            if (degrees > 90.0f) degrees -= 180.0f;
            field[static_cast<size_t>(orientation.rows - 1 - r) * orientation.cols + c] =
                static_cast<int16_t>(-std::lround(degrees));
        }
    }
    return field;
}

}  // namespace

BlockMap EstimateRidgePeriod(const GrayImage &image, const BlockMap &orientation,
                             const std::vector<uint8_t> &foreground) {
    const int height = image.height;
    const int width = image.width;
    std::vector<uint8_t> smoothed(image.pixels);
    ThrowIfOutOfMemory(fvs_ImageMeanChar2Char(smoothed.data(), smoothed.data(), static_cast<uint16_t>(height),
                                              static_cast<uint16_t>(width), kSmoothing, kSmoothing));
    std::vector<int16_t> field = FieldForSpacing(orientation);
    const BlockField blockField{8, static_cast<uint16_t>(orientation.rows), static_cast<uint16_t>(orientation.cols),
                                field.data()};
    uint8_t *spacing = nullptr;
    const int32_t status = FpGetFrequency(smoothed.data(), static_cast<int16_t>(height), static_cast<int16_t>(width),
                                          &blockField, &spacing);
    LibraryBuffer<uint8_t> owned(spacing);
    ThrowIfOutOfMemory(status);
    if (status != 0) throw std::bad_alloc();

    // The measured periods per orientation block, on the finger only.
    const int cellRows = height / kCellSize;
    const int cellCols = width / kCellSize;
    std::vector<std::vector<float>> perBlock(orientation.values.size());
    std::vector<float> all;
    for (int r = 0; r < cellRows; ++r) {
        for (int c = 0; c < cellCols; ++c) {
            const uint8_t value = spacing[static_cast<size_t>(r) * cellCols + c];
            const int cy = r * kCellSize + kCellSize / 2;
            const int cx = c * kCellSize + kCellSize / 2;
            if (value == kUnmeasured || foreground[static_cast<size_t>(cy) * width + cx] == 0) continue;
            const float period = static_cast<float>(value) / kSpacingScale;
            if (period < kShortestPeriod || period > kLongestPeriod) continue;
            const int blockRow = std::min(cy / orientation.cellSize, orientation.rows - 1);
            const int blockCol = std::min(cx / orientation.cellSize, orientation.cols - 1);
            perBlock[static_cast<size_t>(blockRow) * orientation.cols + blockCol].push_back(period);
            all.push_back(period);
        }
    }
    const float fingerMedian = all.empty() ? kTypicalPeriod : Median(&all);

    BlockMap period(orientation.rows, orientation.cols, orientation.cellSize, fingerMedian);
    std::vector<float> around;
    for (int r = 0; r < period.rows; ++r) {
        for (int c = 0; c < period.cols; ++c) {
            around.clear();
            for (int dr = -kNeighbourhood; dr <= kNeighbourhood; ++dr) {
                for (int dc = -kNeighbourhood; dc <= kNeighbourhood; ++dc) {
                    const int rr = r + dr;
                    const int cc = c + dc;
                    if (rr < 0 || cc < 0 || rr >= period.rows || cc >= period.cols) continue;
                    const auto &cells = perBlock[static_cast<size_t>(rr) * period.cols + cc];
                    around.insert(around.end(), cells.begin(), cells.end());
                }
            }
            // A few cells are no measurement: the finger's median is safer.
            if (around.size() >= 8) period.Cell(r, c) = Median(&around);
        }
    }
    return period;
}

}  // namespace fingermatch
