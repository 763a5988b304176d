/*
 * fpdevice image library: block quality and four-direction gradients.
 *
 * A directional gradient measures how much the gray level varies along a
 * short line of seven samples, centre included, in one of four directions:
 *   0 horizontal            (-3,0) (-2,0) (-1,0) (1,0) (2,0) (3,0)
 *   1 lower left to upper right (-3,3) (-2,2) (-1,1) (1,-1) (2,-2) (3,-3)
 *   2 vertical              (0,3) (0,2) (0,1) (0,-1) (0,-2) (0,-3)
 *   3 upper left to lower right (-3,-3) (-2,-2) (-1,-1) (1,1) (2,2) (3,3)
 * (offsets (dx, dy), dy counting rows downward). With m the mean of the
 * seven samples rounded down, the value is the sum of |sample - m| over the
 * six samples besides the centre, at most 1530. Along a ridge the value is
 * small, across ridges large.
 *
 * A gradient grid for step s is a zero-filled plane of (height / s) x
 * (width / s) uint16_t values, row-major; cell (i, j) belongs to the pixel
 * (x = j * s, y = i * s). Cells whose line of samples would leave the image
 * stay 0; from step 4 on (step 3 for FpGetImg4DirectionGradsEx) no such cell
 * lies inside the range an operation computes. Release a grid with free.
 *
 * Images follow the library's conventions (see imaging_primitives.h), with
 * signed 16-bit dimensions. Status results: 0 success, 1 failed allocation,
 * 2 bad arguments. Nothing is kept between calls.
 *
 * Compiles as C99 and as C++.
 */
#ifndef FPDEVICE_IMAGING_QUALITY_H
#define FPDEVICE_IMAGING_QUALITY_H

#include <stdint.h>

#include "fpdevice/export.h"

#ifdef __cplusplus
extern "C" {
#endif

/*
 * The block quality map of an image, one value per block of 16 x 16 pixels
 * (0 ... 255, higher for stronger and more coherent ridges). The operations
 * set blockHeight = blockWidth = 16, rows = (height - 1) / 16 + 1,
 * cols = (width - 1) / 16 + 1 and a new, zero-filled map of rows * cols
 * bytes, row-major: block (r, c) is map[r * cols + c]. Only complete blocks
 * are rated; a partial last row or column of blocks stays 0. The caller
 * releases map with free whenever it is not null, whatever the result.
 */
typedef struct BlkQualityMap {
    uint8_t blockHeight;
    uint8_t blockWidth;
    uint16_t rows;
    uint16_t cols;
    uint8_t *map;
} BlkQualityMap;

/*
 * The gradient grid of one direction (0 ... 3) for the given step; cells of
 * row 0 and column 0 stay 0.
 * 0 with the new grid in *grid; 1 when it cannot be allocated (*grid null);
 * 2 for a null image or grid pointer, height or width below 1, or step 0
 * (*grid null when grid is not null). For a direction above 3 the result is
 * 2 with the zero-filled grid already handed out in *grid: release it.
 */
FPDEVICE_API int32_t FpGetImg4DirectionGrads(const uint8_t *image, int16_t height, int16_t width, uint16_t **grid,
                                             uint8_t direction, uint8_t step);

/*
 * The four gradient grids for the given step: a new block of four pointers,
 * entry d the grid of direction d. The outer ring of every grid (first and
 * last row and column) stays 0. Release the four grids, then the block.
 * Null for a null image, height or width below 1, step 0, or when out of
 * memory (nothing is then left allocated).
 */
FPDEVICE_API uint16_t **FpGetImg4DirectionGradsEx(const uint8_t *image, int16_t height, int16_t width, uint8_t step);

/*
 * Rates an image block by block into *record (see BlkQualityMap): four
 * gradient grids with step 4 give, per cell of 4 x 4 pixels, a strength
 * (mean of the four values, at most 255) and the direction of least
 * variation; a block of 4 x 4 cells scores its mean strength times the share
 * of its cells that agree on the most frequent direction. The block scores
 * are smoothed once with MeanSmooth.
 * 0 success. 2 for a null record or image or a dimension below 1 (record
 * untouched). Otherwise the record is filled and: 1 when out of memory;
 * 2 for an image with fewer than 16 rows or columns (no complete block); the
 * map then stays all zero.
 * `reserved` is not used.
 */
FPDEVICE_API int32_t ImageBlkQuality(BlkQualityMap *record, const uint8_t *image, int16_t height, int16_t width,
                                     void *reserved);

/*
 * ImageBlkQuality from four grids the caller made with
 * FpGetImg4DirectionGradsEx(image, height, width, 4): grads[d] holds
 * direction d. The grids are read as signed 16-bit values (grids made by the
 * library never exceed 1530) and are neither changed nor released; the image
 * is not read, only checked for null. Also 2, before the record is touched,
 * when grads or one of its four pointers is null.
 */
FPDEVICE_API int32_t ImageBlkQualityEx(BlkQualityMap *record, const uint8_t *image, int16_t height, int16_t width,
                                       void *reserved, uint16_t *const *grads);

#ifdef __cplusplus
}
#endif

#endif
