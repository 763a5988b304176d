/*
 * fpdevice image library: foreground masks by global histogram thresholding.
 *
 * Both operations are meant for an image of gradient strengths: the
 * background of a scan gives many low values, the ridge area higher ones.
 * Each chooses one threshold t from the image's gray-level histogram and
 * binarises the image in place: 255 where a sample is greater than t, 0
 * elsewhere. The result is the threshold, 0 to 255.
 *
 * 255 is returned on failure (no memory, a null image or a negative
 * dimension), but 255 is also a valid threshold: the result alone cannot
 * tell the two apart. The image can: a failure leaves it unchanged, while
 * threshold 255 turns every sample into 0.
 *
 * Dimensions are signed 16-bit, height (rows) before width (row length).
 * Nothing is kept between calls; both may run concurrently on different
 * images.
 *
 * Compiles as C99 and as C++.
 */
#ifndef FPDEVICE_IMAGING_SEGMENTATION_H
#define FPDEVICE_IMAGING_SEGMENTATION_H

#include <stdint.h>

#include "fpdevice/export.h"

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Draws the smoothed histogram as a 256 x 256 bar picture, cleans it with
 * binary morphology (MY_BWDilateFastUint16 and MY_BWErodeFastUint16 with
 * 9 x 9 windows, then BErode and BDilate) and places the threshold by the
 * first peaks and the valley after the first peak of the cleaned profile.
 * A threshold lifted above the first peak stops at 255 rather than wrapping.
 * An image without pixels gets threshold 0 and is not written.
 */
FPDEVICE_API uint32_t FpThresholdingGradsImage(uint8_t *image, int16_t height, int16_t width);

/*
 * Halves and smooths the histogram with HistogramSmooth, removes weak peaks,
 * chooses a valley and refines it with a Gaussian width estimate of the next
 * peak above it. The bin threshold is doubled and scaled by 0.8 (rounded
 * toward zero at each step); a negative threshold marks every sample as
 * foreground, zeros included, and is returned as 0. A histogram without any
 * peak gives threshold 0.
 */
FPDEVICE_API uint32_t FpThresholdingGradsImageEx(uint8_t *image, int16_t height, int16_t width);

/* Zero when the library is loaded. No routine of the library reads or
 * writes it: what it means is the host's business. */
FPDEVICE_API extern uint8_t needRefineSegment;

#ifdef __cplusplus
}
#endif

#endif /* FPDEVICE_IMAGING_SEGMENTATION_H */
