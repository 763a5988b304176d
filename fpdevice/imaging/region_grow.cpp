// RegionGrow: the scan-line fill of one region from a seed.
#include "region_fill.h"

#include "fpdevice/imaging_regions.h"

#include <cstdlib>
#include <cstring>

namespace fpdevice::imaging {

uint32_t runs_bound(const uint8_t *image, int32_t height, int32_t width, const GrayRange &range) {
    constexpr uint64_t kGeometricBoundLimit = 1u << 18;  // 3 MB of RunSegment
    const uint64_t mostRuns = static_cast<uint64_t>(height) * static_cast<uint64_t>((width + 1) / 2);
    if (mostRuns <= kGeometricBoundLimit) {
        return static_cast<uint32_t>(mostRuns);
    }
    uint32_t runs = 0;
    for (int32_t y = 0; y < height; ++y) {
        runs += range.count_runs(image + static_cast<int64_t>(y) * width, width);
    }
    return runs;
}

namespace {

class Filler {
public:
    Filler(uint8_t *image, int32_t height, int32_t width, const GrayRange &range, uint8_t fill, RunSegment *stack)
        : image_(image),
          height_(height),
          width_(width),
          range_(range),
          fill_(fill),
          stack_(stack),
          extent_(empty_extent(height, width)) {}

    RegionExtent fill_from(int32_t seedRow, int32_t seedCol) {
        // The seed's run has no parent (an empty parent span): both
        // neighbouring rows are searched over its whole length.
        uint8_t *row = row_at(seedRow);
        const int32_t start = range_.run_start(row, seedCol, 0);
        const int32_t end = range_.skip_matching(row, seedCol + 1, width_) - 1;
        take(seedRow, start, end, 1, end + 1, end);
        while (depth_ > 0) {
            depth_ -= 1;
            const RunSegment run = stack_[depth_];
            const int32_t step = run.step;
            // Onward, away from the parent: the whole length of the run.
            take_runs(run.row + step, run.first, run.last, step, run);
            // Back towards the parent: only beyond the parent's ends, where
            // the run overhangs it; the parent's own columns are filled.
            take_runs(run.row - step, run.first, run.parentFirst - 1, -step, run);
            take_runs(run.row - step, run.parentLast + 1, run.last, -step, run);
        }
        return extent_;
    }

private:
    uint8_t *row_at(int32_t y) const { return image_ + static_cast<int64_t>(y) * width_; }

    // Fills and pushes every run of row y that touches columns first ...
    // last, found from `parent` in row y - step. Runs are followed beyond
    // both ends; only one met at `first` can reach further left, every
    // later one starts right after a pixel that does not match.
    void take_runs(int32_t y, int32_t first, int32_t last, int32_t step, const RunSegment &parent) {
        if (y < 0 || y >= height_ || first > last) {
            return;
        }
        uint8_t *row = row_at(y);
        int32_t x = range_.skip_mismatching(row, first, last + 1);
        while (x <= last) {
            const int32_t start = x == first ? range_.run_start(row, x, 0) : x;
            const int32_t end = range_.skip_matching(row, x + 1, width_) - 1;
            take(y, start, end, step, parent.first, parent.last);
            // Column end + 1 does not match (or lies outside the row).
            x = end + 2 > last ? last + 1 : range_.skip_mismatching(row, end + 2, last + 1);
        }
    }

    // Fills one run, widens the extent and leaves the run for its
    // neighbouring rows to be searched.
    void take(int32_t y, int32_t start, int32_t end, int32_t step, int32_t parentFirst, int32_t parentLast) {
        memset(row_at(y) + start, fill_, static_cast<size_t>(end - start + 1));
        push(RunSegment{static_cast<int16_t>(y), static_cast<int16_t>(start), static_cast<int16_t>(end),
                        static_cast<int16_t>(step), static_cast<int16_t>(parentFirst),
                        static_cast<int16_t>(parentLast)});
    }

    void push(const RunSegment &run) {
        extent_.area += static_cast<uint32_t>(run.last - run.first + 1);
        extent_.left = run.first < extent_.left ? run.first : extent_.left;
        extent_.right = run.last > extent_.right ? run.last : extent_.right;
        extent_.top = run.row < extent_.top ? run.row : extent_.top;
        extent_.bottom = run.row > extent_.bottom ? run.row : extent_.bottom;
        stack_[depth_] = run;
        depth_ += 1;
    }

    uint8_t *image_;
    int32_t height_;
    int32_t width_;
    const GrayRange &range_;
    uint8_t fill_;
    RunSegment *stack_;
    uint32_t depth_ = 0;
    RegionExtent extent_;
};

}  // namespace

RegionExtent fill_region(uint8_t *image, int32_t height, int32_t width, int32_t seedRow, int32_t seedCol,
                         const GrayRange &range, uint8_t fill, RunSegment *stack) {
    Filler filler(image, height, width, range, fill, stack);
    return filler.fill_from(seedRow, seedCol);
}

}  // namespace fpdevice::imaging

namespace {

using fpdevice::imaging::RegionExtent;

void report(const RegionExtent &extent, uint32_t *area, int16_t *left, int16_t *top, int16_t *right, int16_t *bottom) {
    if (area != nullptr) {
        *area = extent.area;
    }
    if (left != nullptr) {
        *left = static_cast<int16_t>(extent.left);
    }
    if (top != nullptr) {
        *top = static_cast<int16_t>(extent.top);
    }
    if (right != nullptr) {
        *right = static_cast<int16_t>(extent.right);
    }
    if (bottom != nullptr) {
        *bottom = static_cast<int16_t>(extent.bottom);
    }
}

}  // namespace

extern "C" FPDEVICE_API void RegionGrow(uint8_t *image, int16_t height, int16_t width, int16_t seedRow, int16_t seedCol,
                                        uint32_t *area, int16_t *left, int16_t *top, int16_t *right, int16_t *bottom,
                                        uint8_t value, uint8_t fillValue, uint8_t tolerance) {
    using namespace fpdevice::imaging;
    report(empty_extent(height, width), area, left, top, right, bottom);
    if (image == nullptr || height < 1 || width < 1 || seedRow < 0 || seedRow >= height || seedCol < 0 ||
        seedCol >= width) {
        return;
    }
    const GrayRange range = GrayRange::within_tolerance(value, tolerance);
    // A seed that does not match has no region. A fill value that matches
    // would be found again behind the fill, which then never ends.
    if (range.empty() || !range.matches(image[seedRow * width + seedCol]) || range.matches(fillValue)) {
        return;
    }
    // The stack is sized before anything changes, so a failed allocation
    // leaves the image as it was.
    const uint32_t runs = runs_bound(image, height, width, range);
    auto *stack = static_cast<RunSegment *>(malloc(static_cast<size_t>(runs) * sizeof(RunSegment)));
    if (stack == nullptr) {
        return;
    }
    const RegionExtent extent = fill_region(image, height, width, seedRow, seedCol, range, fillValue, stack);
    free(stack);
    report(extent, area, left, top, right, bottom);
}
