/*
 * fpdevice image library: conventions, histograms and image primitives.
 *
 * Gray images are 8-bit samples stored row after row without padding; the
 * sample of row y, column x lies at y * width + x. Every routine takes the
 * dimensions as arguments, height (rows) before width (row length).
 *
 * A histogram is an array of 256 uint32_t counts; entry g counts the samples
 * of gray level g. Release it with HistogramDestroy.
 *
 * Status results: 0 success, 1 missing (null) buffer or failed allocation,
 * 2 bad arguments. Routines that return new storage return null instead.
 * Nothing is kept between calls; every routine may run concurrently on
 * different buffers.
 *
 * Compiles as C99 and as C++.
 */
#ifndef FPDEVICE_IMAGING_PRIMITIVES_H
#define FPDEVICE_IMAGING_PRIMITIVES_H

#include <stdint.h>

#include "fpdevice/export.h"

#ifdef __cplusplus
extern "C" {
#endif

#define FP_HISTOGRAM_BINS 256

/* ---- Histograms ---- */

/* A new zeroed histogram of 256 counts, or null when out of memory. */
FPDEVICE_API uint32_t *HistogramCreate(void);

/* Frees a histogram; null is allowed. */
FPDEVICE_API void HistogramDestroy(uint32_t *histogram);

/* The histogram of height * width samples, or null for a null image or when
 * out of memory. */
FPDEVICE_API uint32_t *HistogramCompute(const uint8_t *image, uint16_t height, uint16_t width);

/* Mean gray level rounded half up; 0 for a null or empty histogram. */
FPDEVICE_API uint8_t HistogramGetMean(const uint32_t *histogram);

/* Variance about HistogramGetMean, rounded half up; 0 for a null or empty
 * histogram. */
FPDEVICE_API uint32_t HistogramGetVariance(const uint32_t *histogram);

/* Variance about the given mean, rounded half up; 0 for a null or empty
 * histogram. */
FPDEVICE_API uint32_t HistogramGetVariance2(const uint32_t *histogram, uint8_t mean);

/*
 * Writes a bar chart of the first binCount counts to path: 256 rows of
 * binCount bytes, row 0 first, no header; bars are 255 on 0 and stand on the
 * bottom row, the tallest up to 255 rows high.
 * Returns 0; 1 for a null histogram or path or when the picture cannot be
 * allocated; 2 for binCount outside 1 ... 256 or when the file cannot be
 * opened or written completely.
 */
FPDEVICE_API int32_t HistogramPrint(const uint32_t *histogram, int16_t binCount, const char *path);

/* ---- Copy and fill ---- */

/* Copies height * width bytes forward; the buffers must not overlap.
 * 0, or 1 when either pointer is null. */
FPDEVICE_API int32_t ImageCopy(uint8_t *destination, const uint8_t *source, uint16_t height, uint16_t width);

/* Sets every sample to value. 0, or 1 for a null image. */
FPDEVICE_API int32_t ImageFlood(uint8_t *image, uint8_t value, uint16_t height, uint16_t width);

/* ImageFlood with 0. */
FPDEVICE_API int32_t ImageClear(uint8_t *image, uint16_t height, uint16_t width);

/* ---- Scaling ---- */

/*
 * Pixel doubling: a new resultHeight x resultWidth image whose sample (y, x)
 * is source (y >> 1, x >> 1). The source must hold (resultHeight + 1) / 2
 * rows and (resultWidth + 1) / 2 columns. Null for a null source, an empty
 * result, a source too small for the result, or when out of memory.
 */
FPDEVICE_API uint8_t *ImageEnlarge(const uint8_t *source, uint16_t sourceHeight, uint16_t sourceWidth,
                                   uint16_t resultHeight, uint16_t resultWidth);

/*
 * Halving: a new resultHeight x resultWidth image; row 0 and column 0 are
 * plain subsamples of the even source positions, every other sample the
 * 3 x 3 smoothed source sample (2y, 2x). The source must hold 2 * resultHeight
 * rows and 2 * resultWidth columns (one less in a dimension when the result
 * is a single row or column). Null for a null source, an empty result, a
 * source too small for the result, or when out of memory.
 */
FPDEVICE_API uint8_t *ImageReduce(const uint8_t *source, uint16_t sourceHeight, uint16_t sourceWidth,
                                  uint16_t resultHeight, uint16_t resultWidth);

/* ---- Normalisation ---- */

/* Stretches the image in place to the target mean and variance, clamped to
 * 0 ... 255. 0; 1 for a null image or when out of memory (image unchanged). */
FPDEVICE_API int32_t ImageNormalize(uint8_t *image, uint16_t height, uint16_t width, uint8_t targetMean,
                                    uint32_t targetVariance);

/* ---- Rotation tables ---- */

/*
 * Rotation offsets of a blockHeight x blockWidth block for angleCount + 1
 * angles from -pi/2 to +pi/2: table[a] holds blockHeight * blockWidth pairs
 * (rotated x, rotated y) in row-major order, i.e. table[a][2 * (j * blockWidth
 * + i)] and the element after it. Offsets are taken from the block centre
 * (blockWidth >> 1, blockHeight >> 1).
 * Null for angleCount 0, an empty block, or when out of memory (nothing is
 * left allocated). Release with AxisDestroy and the same angleCount.
 */
FPDEVICE_API int16_t **AxisTransform(uint8_t angleCount, uint8_t blockWidth, uint8_t blockHeight);

/* Frees a rotation table; null is allowed. */
FPDEVICE_API void AxisDestroy(int16_t **table, uint8_t angleCount);

#ifdef __cplusplus
}
#endif

#endif
