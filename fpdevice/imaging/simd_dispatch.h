// Which instruction set the image kernels run on.
//
// FPKEY_SIMD=scalar|sse2|avx2 forces a path (a path the processor lacks falls
// back to the best one it has); otherwise the best the processor has is
// taken. Every path computes the same bits, so the variable only serves to
// test and measure each path on one machine.
//
// The choice is made afresh on every call: the library keeps no mutable
// state of its own, and a once-initialised static would need the C++
// runtime's guard functions. Callers take it once per image and pass it down.
#ifndef FPDEVICE_IMAGING_SIMD_DISPATCH_H
#define FPDEVICE_IMAGING_SIMD_DISPATCH_H

namespace fpdevice::imaging {

enum class SimdPath { kScalar, kSse2, kAvx2 };

SimdPath ChosenSimdPath();

}  // namespace fpdevice::imaging

#endif
