// Ridge clarity per block from the image library: strength of the
// directional gradients times the agreement of their directions.
#include "fingermatch/library_buffers.h"
#include "fingermatch/ridge_maps.h"
#include "fpdevice/imaging_quality.h"

namespace fingermatch {

BlockMap EstimateBlockQuality(const GrayImage &image) {
    BlkQualityMap record{};
    const int32_t status = ImageBlkQuality(&record, image.pixels.data(), static_cast<int16_t>(image.height),
                                           static_cast<int16_t>(image.width), nullptr);
    LibraryBuffer<uint8_t> owned(record.map);
    ThrowIfOutOfMemory(status);
    BlockMap quality(record.rows, record.cols, record.blockHeight == 0 ? 16 : record.blockHeight, 0.0f);
    if (status != 0 || record.map == nullptr) return quality;
    for (size_t i = 0; i < quality.values.size(); ++i) quality.values[i] = static_cast<float>(record.map[i]) / 255.0f;
    return quality;
}

}  // namespace fingermatch
