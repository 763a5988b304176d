// Box sums along a strided vector, one running sum per call.
#include "fpdevice/imaging_localsums.h"
#include "imaging/local_sums_impl.h"

namespace img = fpdevice::imaging;

extern "C" {

FPDEVICE_API void fvs_VectorLocalSumChar2Char(uint8_t *output, const uint8_t *input, int16_t outStride,
                                              int16_t inStride, int16_t length, uint8_t window) {
    if (output == nullptr || input == nullptr) {
        return;
    }
    img::vector_window_sum(output, outStride, input, inStride, length, window >> 1);
}

FPDEVICE_API void fvs_VectorLocalSumChar2Uint16(uint16_t *output, const uint8_t *input, int16_t outStride,
                                                int16_t inStride, int16_t length, uint8_t window) {
    if (output == nullptr || input == nullptr) {
        return;
    }
    img::vector_window_sum(output, outStride, input, inStride, length, window >> 1);
}

FPDEVICE_API void fvs_VectorLocalSumUint162Uint16(uint16_t *output, const uint16_t *input, int16_t outStride,
                                                  int16_t inStride, int16_t length, uint8_t window) {
    if (output == nullptr || input == nullptr) {
        return;
    }
    img::vector_window_sum(output, outStride, input, inStride, length, window >> 1);
}

FPDEVICE_API void fvs_VectorLocalSumInt2Int(int32_t *output, const int32_t *input, int16_t outStride, int16_t inStride,
                                            int16_t length, uint8_t window) {
    if (output == nullptr || input == nullptr) {
        return;
    }
    // Summed as uint32_t: the same bits, with defined wrap-around.
    img::vector_window_sum(reinterpret_cast<uint32_t *>(output), outStride, reinterpret_cast<const uint32_t *>(input),
                           inStride, length, window >> 1);
}

FPDEVICE_API void fvs_VectorLocalSumFloat2Float(float *output, const float *input, int16_t outStride, int16_t inStride,
                                                int16_t length, uint8_t window) {
    if (output == nullptr || input == nullptr) {
        return;
    }
    img::vector_window_sum(output, outStride, input, inStride, length, window >> 1);
}

}  // extern "C"
