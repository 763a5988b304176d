// Box sums over images: rows first, then columns, in the output type.
#include "fpdevice/imaging_localsums.h"
#include "imaging/local_sums_impl.h"

#include <cstddef>

namespace img = fpdevice::imaging;

extern "C" {

FPDEVICE_API int32_t fvs_ImageLocalSumChar2Char(uint8_t *output, const uint8_t *input, uint16_t height, uint16_t width,
                                                uint8_t windowX, uint8_t windowY) {
    if (output == nullptr || input == nullptr) {
        return 1;
    }
    return img::image_window_sum(output, input, height, width, windowX, windowY);
}

FPDEVICE_API int32_t fvs_ImageLocalSumChar2Uint16(uint16_t *output, const uint8_t *input, uint16_t height,
                                                  uint16_t width, uint8_t windowX, uint8_t windowY) {
    if (output == nullptr || input == nullptr) {
        return 1;
    }
    if (img::image_window_sum(output, input, height, width, windowX, windowY) == 0) {
        return 0;
    }
    // Without scratch this routine has always left the row sums in the output
    // (its row pass needs none); callers see 1 either way.
    const size_t w = width;
    for (size_t y = 0; y < height; ++y) {
        img::vector_window_sum(output + y * w, 1, input + y * w, 1, width, windowX >> 1);
    }
    return 1;
}

FPDEVICE_API int32_t fvs_ImageLocalSumUint162Uint16(uint16_t *output, const uint16_t *input, uint16_t height,
                                                    uint16_t width, uint8_t windowX, uint8_t windowY) {
    if (output == nullptr || input == nullptr) {
        return 1;
    }
    return img::image_window_sum(output, input, height, width, windowX, windowY);
}

FPDEVICE_API int32_t fvs_ImageLocalSumInt2Int(int32_t *output, const int32_t *input, uint16_t height, uint16_t width,
                                              uint8_t windowX, uint8_t windowY) {
    if (output == nullptr || input == nullptr) {
        return 1;
    }
    // Summed as uint32_t: the same bits, with defined wrap-around.
    return img::image_window_sum(reinterpret_cast<uint32_t *>(output), reinterpret_cast<const uint32_t *>(input),
                                 height, width, windowX, windowY);
}

FPDEVICE_API int32_t fvs_ImageLocalSumFloat2Float(float *output, const float *input, uint16_t height, uint16_t width,
                                                  uint8_t windowX, uint8_t windowY) {
    if (output == nullptr || input == nullptr) {
        return 1;
    }
    return img::image_window_sum(output, input, height, width, windowX, windowY);
}

}  // extern "C"
