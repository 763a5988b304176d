/*
 * fpdevice image library: ridge orientation field.
 *
 * An orientation is a whole number of degrees from -90 to 90, the direction
 * of the ridges counterclockwise from the row direction as the image is
 * displayed (rows running downward): 0 horizontal ridges, 90 (or -90)
 * vertical ridges, 45 ridges rising to the right.
 *
 * Status results: 0 success, 1 missing (null) buffer or failed allocation,
 * 2 bad arguments. Nothing is kept between calls.
 *
 * Compiles as C99 and as C++.
 */
#ifndef FPDEVICE_IMAGING_ORIENTATION_H
#define FPDEVICE_IMAGING_ORIENTATION_H

#include <stdint.h>

#include "fpdevice/export.h"

#ifdef __cplusplus
extern "C" {
#endif

/*
 * A per-block map filled by the library: rows * cols 16-bit values in
 * row-major order. Orientation fields hold signed degrees; orientation-change
 * maps hold unsigned values (read data as uint16_t). blockSize is the edge of
 * a block in pixels of the full-size image. The caller releases data with
 * free.
 */
typedef struct BlockField {
    uint16_t blockSize;
    uint16_t rows;
    uint16_t cols;
    int16_t *data;
} BlockField;

/*
 * The orientation field of a gray image at half the resolution of the
 * full-size image.
 *
 * Gradient products P = 2 Gx Gy and Q = Gy^2 - Gx^2 (Sobel, interior
 * samples; 0 on the border) are box-summed with the given window in both
 * directions and handed over in *pPlane and *qPlane (height * width int32
 * each, released with free). From them:
 *   fine:       blockSize 8, height / 4 by width / 4 blocks of 4 x 4 samples,
 *               smoothed over 5 x 5 blocks;
 *   fineChange: blockSize 8, same grid, the orientation change between
 *               neighbouring raw fine blocks (FingerprintOrientGrad);
 *   coarse:     blockSize 16, (fullHeight + 15) >> 4 by (fullWidth + 15) >> 4
 *               blocks of 8 x 8 samples, smoothed over 3 x 3 blocks.
 * The argument `unused` is accepted and ignored.
 * The data of the three records are overwritten without being released: a
 * caller that reuses records frees their earlier planes first.
 *
 * 0 on success. 1 for a null argument (nothing is touched) or a failed
 * allocation: then nothing is left allocated, *pPlane, *qPlane and the data
 * of the three records are null, and fine and fineChange carry the header of
 * the fine grid.
 */
FPDEVICE_API int32_t FingerprintGetDirectionFloat(const uint8_t *image, uint16_t height, uint16_t width,
                                                  uint16_t fullHeight, uint16_t fullWidth, uint8_t window,
                                                  uint8_t unused, int32_t **pPlane, int32_t **qPlane, BlockField *fine,
                                                  BlockField *fineChange, BlockField *coarse);

/*
 * The orientation-change map of an orientation field: for each block but
 * those of the last row and column, trunc(sqrt(d1^2 + d2^2)) of the angle
 * differences to the right and lower neighbours, then weighted over 5 x 5
 * blocks (weights 1 2 3 2 1 in each direction, divided by 81, rounded half
 * up). The result record takes the source's header and a new plane; its old
 * data is released. Result and source may be the same record.
 * 0; 1 when a plane cannot be allocated (result data then null); 2 for a
 * null record or a source without data (result untouched).
 */
FPDEVICE_API int32_t FingerprintOrientGrad(BlockField *result, const BlockField *source);

/* The difference of two orientations modulo 180 degrees, 0 to 90. */
FPDEVICE_API int16_t AngleDiffAbs(int16_t a, int16_t b);

#ifdef __cplusplus
}
#endif

#endif /* FPDEVICE_IMAGING_ORIENTATION_H */
