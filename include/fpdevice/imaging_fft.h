/*
 * fpdevice image library: the radix-2 FFT pair and the frequency-domain
 * histogram smoothers.
 *
 * A complex signal of length n is two float arrays, real parts and imaginary
 * parts (not interleaved); both transforms work in place. n must be a power
 * of two from 2 to 8192; for any other n, or a null array, the arrays are
 * left unchanged.
 *
 * Compiles as C99 and as C++.
 */
#ifndef FPDEVICE_IMAGING_FFT_H
#define FPDEVICE_IMAGING_FFT_H

#include <stdint.h>

#include "fpdevice/export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* X[k] = (1/n) sum_m x[m] exp(-2 pi i k m / n). */
FPDEVICE_API void FFT(float *real, float *imaginary, int16_t n);

/* X[k] = sum_m x[m] exp(-2 pi i k m / n): the same negative exponent as FFT
 * and no scaling, so IFFT(FFT(x))[k] = x[(n - k) mod n]. */
FPDEVICE_API void IFFT(float *real, float *imaginary, int32_t n);

/*
 * Folds the 256 counts into 128 pair sums (entries 128 ... 255 become 0) and
 * low-pass filters them (cut-off 5 of 64). The smoothed counts come back one
 * bin toward lower indices; entries 108 ... 127 keep their folded sums.
 * 0, or 1 for a null histogram.
 */
FPDEVICE_API int32_t HistogramSmooth(uint32_t *histogram);

/* Low-pass filters the first 128 counts in place (cut-off 7 of 64), shifted
 * one bin toward lower indices like HistogramSmooth. Entries from 128 on are
 * neither read nor written. 0, or 1 for a null histogram. */
FPDEVICE_API int32_t HistogramSmooth128(uint32_t *histogram);

#ifdef __cplusplus
}
#endif

#endif
