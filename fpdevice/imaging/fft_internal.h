// The FFT pair for use inside the library. The exported FFT and IFFT are
// interposable by name (a host defining its own FFT would take over every
// call through the PLT), so library code calls these instead.
#ifndef FPDEVICE_IMAGING_FFT_INTERNAL_H
#define FPDEVICE_IMAGING_FFT_INTERNAL_H

#include <cstdint>

namespace fpdevice::imaging {

// Both leave the arrays unchanged unless they are non-null and n is a power
// of two from 2 to 8192.
void fft_forward(float *real, float *imaginary, int32_t n);
void fft_inverse(float *real, float *imaginary, int32_t n);

}  // namespace fpdevice::imaging

#endif
