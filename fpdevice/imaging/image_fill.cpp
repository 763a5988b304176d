// Filling a gray image with one value.
#include "fpdevice/imaging_primitives.h"

extern "C" {

FPDEVICE_API int32_t ImageFlood(uint8_t *image, uint8_t value, uint16_t height, uint16_t width) {
    if (image == nullptr) {
        return 1;
    }
    const uint32_t samples = static_cast<uint32_t>(height) * width;
    for (uint32_t i = 0; i < samples; ++i) {
        image[i] = value;
    }
    return 0;
}

FPDEVICE_API int32_t ImageClear(uint8_t *image, uint16_t height, uint16_t width) {
    return ImageFlood(image, 0, height, width);
}

}  // extern "C"
