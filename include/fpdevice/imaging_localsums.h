/*
 * fpdevice image library: box sums, box means and fast binary morphology.
 *
 * Planes are stored row after row without padding, height (rows) before
 * width (row length), each dimension at most 32767. A window of size k
 * covers the 2 * (k >> 1) + 1 samples centred on the output sample, so sizes
 * 0 and 1 cover one sample and an even size k covers k + 1. Windows are cut
 * at the edges of the data: they never reach outside, nothing is padded.
 *
 * Sums wrap at the width of the output type; float sums round to single
 * precision after every addition and subtraction of the running sum, rows
 * first, then columns.
 *
 * Binary planes: the BW...Fast routines work on unit planes (1 foreground,
 * 0 background); MY_BW...FastUint16, BDilate and BErode on byte masks (any
 * non-zero value is foreground, written as 255).
 *
 * Status results: 0 success, 1 missing (null) buffer or failed allocation,
 * 2 bad arguments (BDilate and BErode: null mask; the means: a zero window).
 * Nothing is kept between calls; every routine may run concurrently on
 * different buffers.
 *
 * Compiles as C99 and as C++.
 */
#ifndef FPDEVICE_IMAGING_LOCALSUMS_H
#define FPDEVICE_IMAGING_LOCALSUMS_H

#include <stdint.h>

#include "fpdevice/export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Vector box sums ----
 * output[j * outStride] = sum of input[i * inStride] for i from
 * max(0, j - r) to min(length - 1, j + r), r = window >> 1. Null vectors or
 * a length below 1 do nothing. */
FPDEVICE_API void fvs_VectorLocalSumChar2Char(uint8_t *output, const uint8_t *input, int16_t outStride,
                                              int16_t inStride, int16_t length, uint8_t window);
FPDEVICE_API void fvs_VectorLocalSumChar2Uint16(uint16_t *output, const uint8_t *input, int16_t outStride,
                                                int16_t inStride, int16_t length, uint8_t window);
FPDEVICE_API void fvs_VectorLocalSumUint162Uint16(uint16_t *output, const uint16_t *input, int16_t outStride,
                                                  int16_t inStride, int16_t length, uint8_t window);
FPDEVICE_API void fvs_VectorLocalSumInt2Int(int32_t *output, const int32_t *input, int16_t outStride, int16_t inStride,
                                            int16_t length, uint8_t window);
FPDEVICE_API void fvs_VectorLocalSumFloat2Float(float *output, const float *input, int16_t outStride, int16_t inStride,
                                                int16_t length, uint8_t window);

/* ---- Image box sums ----
 * Each output sample is the sum over the window rectangle around it (window
 * x along rows, window y along columns). Output and input may be the same
 * buffer (except for Char2Uint16, whose types differ) or must not overlap.
 * 0, or 1 for a null plane or a failed allocation; on failure the output is
 * untouched, except that Char2Uint16 then holds the row sums. */
FPDEVICE_API int32_t fvs_ImageLocalSumChar2Char(uint8_t *output, const uint8_t *input, uint16_t height, uint16_t width,
                                                uint8_t windowX, uint8_t windowY);
FPDEVICE_API int32_t fvs_ImageLocalSumChar2Uint16(uint16_t *output, const uint8_t *input, uint16_t height,
                                                  uint16_t width, uint8_t windowX, uint8_t windowY);
FPDEVICE_API int32_t fvs_ImageLocalSumUint162Uint16(uint16_t *output, const uint16_t *input, uint16_t height,
                                                    uint16_t width, uint8_t windowX, uint8_t windowY);
FPDEVICE_API int32_t fvs_ImageLocalSumInt2Int(int32_t *output, const int32_t *input, uint16_t height, uint16_t width,
                                              uint8_t windowX, uint8_t windowY);
FPDEVICE_API int32_t fvs_ImageLocalSumFloat2Float(float *output, const float *input, uint16_t height, uint16_t width,
                                                  uint8_t windowX, uint8_t windowY);

/* ---- Box means ----
 * (window sum + half) / N with N = windowX * windowY and half = (N + 1) >> 1,
 * whatever the number of samples the window really holds at the border.
 * The 8-bit mean sums in 32 bits and stops at 255 (a window of even size
 * holds more than N samples, and a 1 x 1 window rounds 255 up to 256).
 * Output and input may be the same buffer.
 * 0; 1 for a null image or a failed allocation; 2 for a zero window size. */
FPDEVICE_API int32_t fvs_ImageMeanChar2Char(uint8_t *output, const uint8_t *input, uint16_t height, uint16_t width,
                                            uint8_t windowX, uint8_t windowY);
FPDEVICE_API int32_t fvs_ImageMeanInt2Int(int32_t *output, const int32_t *input, uint16_t height, uint16_t width,
                                          uint8_t windowX, uint8_t windowY);

/* ---- Window-count morphology, in place ----
 * With N = windowX * windowY and the window sum s of each sample:
 *   BWDilateFast        s >= trunc(0.1 * (N mod 256) + 0.7) sets 1, else keeps (8-bit sums);
 *   BWDilateFastUint16  1 if s >= trunc(0.18 * N + 0.7), else 0;
 *   BWErodeFast         s != N clears, else keeps (8-bit sums);
 *   BWErodeFastUint16   1 if s == N, else 0.
 * The MY_ wrappers apply the Uint16 rules to a byte mask and write 255 / 0.
 * 0, or 1 for a null plane or a failed allocation (plane unchanged). */
FPDEVICE_API int32_t BWDilateFast(uint8_t *plane, uint16_t height, uint16_t width, uint8_t windowX, uint8_t windowY);
FPDEVICE_API int32_t BWErodeFast(uint8_t *plane, uint16_t height, uint16_t width, uint8_t windowX, uint8_t windowY);
FPDEVICE_API int32_t BWDilateFastUint16(uint16_t *plane, uint16_t height, uint16_t width, uint8_t windowX,
                                        uint8_t windowY);
FPDEVICE_API int32_t BWErodeFastUint16(uint16_t *plane, uint16_t height, uint16_t width, uint8_t windowX,
                                       uint8_t windowY);
FPDEVICE_API int32_t MY_BWDilateFastUint16(uint8_t *mask, uint16_t height, uint16_t width, uint8_t windowX,
                                           uint8_t windowY);
FPDEVICE_API int32_t MY_BWErodeFastUint16(uint8_t *mask, uint16_t height, uint16_t width, uint8_t windowX,
                                          uint8_t windowY);

/* ---- 3 x 3 morphology of byte masks, in place ----
 * Only interior samples act: BDilate sets the eight neighbours of every
 * foreground interior sample to 255 (the sample keeps its value); BErode
 * clears every interior sample with a background sample in its 3 x 3
 * neighbourhood. The border rows and columns are never eroded.
 * 0; 1 when the working copy cannot be allocated; 2 for a null mask. */
FPDEVICE_API int32_t BDilate(uint8_t *mask, uint16_t height, uint16_t width);
FPDEVICE_API int32_t BErode(uint8_t *mask, uint16_t height, uint16_t width);

#ifdef __cplusplus
}
#endif

#endif /* FPDEVICE_IMAGING_LOCALSUMS_H */
