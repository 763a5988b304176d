// Copying a gray image into a caller's buffer.
#include "fpdevice/imaging_primitives.h"

#include <cstdint>
#include <cstring>

namespace {

bool overlap(const uint8_t *a, const uint8_t *b, uint32_t size) {
    const auto first = reinterpret_cast<uintptr_t>(a);
    const auto second = reinterpret_cast<uintptr_t>(b);
    return first < second ? second - first < size : first - second < size;
}

}  // namespace

extern "C" FPDEVICE_API int32_t ImageCopy(uint8_t *destination, const uint8_t *source, uint16_t height,
                                          uint16_t width) {
    if (destination == nullptr || source == nullptr) {
        return 1;
    }
    const uint32_t samples = static_cast<uint32_t>(height) * width;
    if (!overlap(destination, source, samples)) {
        memcpy(destination, source, samples);
        return 0;
    }
    // Callers must not pass overlapping buffers; those that do have always
    // had a forward byte-by-byte copy, which memcpy does not promise.
    for (uint32_t i = 0; i < samples; ++i) {
        destination[i] = source[i];
    }
    return 0;
}
