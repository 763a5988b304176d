// RemoveSmallArea: recolouring the small regions of one gray value.
#include "region_fill.h"
#include "imaging/scratch.h"

#include "fpdevice/imaging_regions.h"

#include <cstring>

extern "C" FPDEVICE_API int32_t RemoveSmallArea(uint8_t *image, int16_t height, int16_t width, uint8_t value,
                                                uint8_t fillValue, int16_t areaLimit) {
    using namespace fpdevice::imaging;
    if (image == nullptr || value == fillValue) {
        return 2;
    }
    if (height < 1 || width < 1) {
        return 0;
    }
    const size_t samples = static_cast<size_t>(height) * static_cast<size_t>(width);
    const GrayRange exact = GrayRange::within_tolerance(value, 1);
    const uint32_t runs = runs_bound(image, height, width, exact);
    if (runs == 0) {
        return 0;
    }
    // Each region is measured on a scratch copy, where filling it also marks
    // it as met, and recoloured in the caller's image only when it is small.
    const Scratch<uint8_t> copy = scratch_alloc<uint8_t>(samples);
    const Scratch<RunSegment> stack = scratch_alloc<RunSegment>(runs);
    if (copy == nullptr || stack == nullptr) {
        return 1;
    }
    memcpy(copy.get(), image, samples);

    // Widened to 32 bits and compared unsigned: a negative limit admits
    // every region.
    const auto limit = static_cast<uint32_t>(static_cast<int32_t>(areaLimit));
    // Regions are disjoint and recolouring one never joins or splits another,
    // so the order in which seeds are met does not change the result; rows
    // are walked in storage order.
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            if (copy[static_cast<size_t>(y) * width + x] != value) {
                continue;
            }
            const RegionExtent region = fill_region(copy.get(), height, width, y, x, exact, fillValue, stack.get());
            if (region.area <= limit) {
                fill_region(image, height, width, y, x, exact, fillValue, stack.get());
            }
        }
    }
    return 0;
}
