// Whether a print is broken: a blank band of rows across it, or blank
// vertical strips splitting it over much of its height.
//
// Blank lines are judged on row sums and on column sums over bands of 16
// rows; runs of blank lines are evaluated as they are found, so any number
// of runs and any width are handled without a fixed run list.
#include "fpdevice/imaging_frequency.h"
#include "imaging/scratch.h"

namespace {

constexpr int32_t kMaxHeight = 1024;
constexpr int32_t kBand = 16;

// Calls found(first, last) for every run of blank entries of sums that is
// followed by a non-blank one; a run reaching the end is not a gap between
// two parts and is left out. A sum is blank when above limit.
template <typename Found>
void for_each_inner_run(const uint32_t *sums, int32_t n, int64_t limit, Found found) {
    const auto blank = [&](int32_t i) { return static_cast<int64_t>(sums[i]) > limit; };
    int32_t i = 0;
    while (i < n - 1) {
        if (!blank(i)) {
            ++i;
            continue;
        }
        int32_t j = i;
        while (j < n && blank(j)) {
            ++j;
        }
        if (j >= n) {
            return;
        }
        found(i, j - 1);
        i = j + 1;
    }
}

}  // namespace

extern "C" int32_t NotContinue(const uint8_t *image, int32_t height, int32_t width, int32_t value) {
    if (image == nullptr || height < 1 || width < 1 || height > kMaxHeight) {
        return 0;
    }
    const int32_t longest = height > width ? height : width;
    const fpdevice::imaging::Scratch<uint32_t> owned =
        fpdevice::imaging::scratch_alloc<uint32_t>(static_cast<size_t>(longest));
    uint32_t *sums = owned.get();
    if (sums == nullptr) {
        return 0;
    }

    // Row test: a blank band inside the print, clear of the top and bottom
    // four rows, breaks it.
    Project(sums, image, height, width, 0);
    const int64_t rowLimit = static_cast<int64_t>(width - 10) * value;
    int32_t occupied = 0;
    for (int32_t y = 0; y < height; ++y) {
        occupied += static_cast<int64_t>(sums[y]) > rowLimit ? 0 : 1;
    }
    bool broken = false;
    for_each_inner_run(sums, height, rowLimit, [&](int32_t first, int32_t last) {
        if (first > 3 && last < height - 4 && last > 9 && first <= height - 10) {
            broken = true;
        }
    });
    if (broken) {
        return 1;
    }

    // Column test: per band of 16 rows, count the gaps at least 7 columns
    // wide that lie clear of the side margins of 15 columns.
    const int64_t columnLimit = static_cast<int64_t>(kBand - 1) * value;
    int32_t gaps = 0;
    for (int32_t band = 0; band < height / kBand; ++band) {
        const uint8_t *rows = image + static_cast<size_t>(band) * kBand * static_cast<size_t>(width);
        Project(sums, rows, kBand, width, 1);
        for_each_inner_run(sums, width, columnLimit, [&](int32_t first, int32_t last) {
            if (first > 15 && last < width - 15 && last > 14 && first <= width - 15 && last - first > 5) {
                ++gaps;
            }
        });
    }

    // Broken when the gaps span more than 45 % of the occupied rows (each gap
    // stands for its band's 16 rows).
    if (occupied == 0) {
        return gaps > 0 ? 1 : 0;
    }
    const float share = static_cast<float>(gaps * kBand) / static_cast<float>(occupied);
    return static_cast<double>(share) > 0.45 ? 1 : 0;
}
