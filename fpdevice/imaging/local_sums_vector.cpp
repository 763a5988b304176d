// Box sums along a strided vector, one running sum per call.
#include "fpdevice/imaging_localsums.h"
#include "imaging/local_sums_impl.h"

#include <cstring>

namespace img = fpdevice::imaging;

namespace {

// Unit-stride vectors of 8- and 16-bit sums of up to kStackSamples samples
// that do not overlap their output are summed through prefix sums on the
// stack: the running sum waits on an addition and a subtraction per sample,
// the prefix sums take 16 bytes at a time. Integer sums are modular, so both
// give the same bits. Everything else takes the running sum.
constexpr int kStackSamples = 1024;

template <typename Sum, typename In>
void VectorSum(Sum *output, const In *input, int16_t outStride, int16_t inStride, int16_t length, uint8_t window) {
    const int n = length;
    const int r = window >> 1;
    const auto outAt = reinterpret_cast<uintptr_t>(output);
    const auto inAt = reinterpret_cast<uintptr_t>(input);
    const bool disjoint = n > 0 && (outAt + static_cast<uintptr_t>(n) * sizeof(Sum) <= inAt ||
                                    inAt + static_cast<uintptr_t>(n) * sizeof(In) <= outAt);
    if constexpr (sizeof(Sum) <= 2) {
        if (outStride == 1 && inStride == 1 && n <= kStackSamples && disjoint) {
            constexpr size_t kLanes = 16 / sizeof(Sum);
            constexpr size_t kLargestMargin = 127 + 32 / sizeof(Sum);
            Sum prefix[kStackSamples + 1 + 2 * kLargestMargin];
            Sum sums[kStackSamples + kLanes];
            const size_t margin = img::prefix_margin<Sum>(r);
            memset(prefix, 0, margin * sizeof(Sum));
            img::integer_row_sums(input, sums, prefix + margin, n, r, img::AsStored{});
            memcpy(output, sums, static_cast<size_t>(n) * sizeof(Sum));
            return;
        }
    }
    img::vector_window_sum(output, outStride, input, inStride, n, r);
}

}  // namespace

extern "C" {

FPDEVICE_API void fvs_VectorLocalSumChar2Char(uint8_t *output, const uint8_t *input, int16_t outStride,
                                              int16_t inStride, int16_t length, uint8_t window) {
    if (output == nullptr || input == nullptr) {
        return;
    }
    VectorSum(output, input, outStride, inStride, length, window);
}

FPDEVICE_API void fvs_VectorLocalSumChar2Uint16(uint16_t *output, const uint8_t *input, int16_t outStride,
                                                int16_t inStride, int16_t length, uint8_t window) {
    if (output == nullptr || input == nullptr) {
        return;
    }
    VectorSum(output, input, outStride, inStride, length, window);
}

FPDEVICE_API void fvs_VectorLocalSumUint162Uint16(uint16_t *output, const uint16_t *input, int16_t outStride,
                                                  int16_t inStride, int16_t length, uint8_t window) {
    if (output == nullptr || input == nullptr) {
        return;
    }
    VectorSum(output, input, outStride, inStride, length, window);
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
