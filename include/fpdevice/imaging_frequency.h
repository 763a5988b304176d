/*
 * fpdevice image library: ridge spacing, broken-print test, region shape
 * and projections.
 *
 * Images follow the library's conventions (see imaging_primitives.h):
 * row-major gray images, height (rows) before width (row length).
 * Nothing is kept between calls; every routine may run concurrently on
 * different buffers.
 *
 * Compiles as C99 and as C++.
 */
#ifndef FPDEVICE_IMAGING_FREQUENCY_H
#define FPDEVICE_IMAGING_FREQUENCY_H

#include <stdint.h>

#include "fpdevice/export.h"
#include "fpdevice/imaging_orientation.h"

#ifdef __cplusplus
extern "C" {
#endif

/*
 * The ridge spacing map of a gray image: one byte per cell of 4 x 4 pixels,
 * (height >> 2) rows of (width >> 2) cells, row-major. A value is 8 times the
 * ridge spacing in pixels, 16 ... 255 (larger spacings are cut to 255); 255
 * also marks a cell that could not be measured.
 *
 * field holds one orientation per 8 x 8 pixels, whole degrees -90 ... 90,
 * and describes the image upside down: field row rows - 1 - (y >> 3)
 * belongs to image row y, and an orientation t means ridges running along
 * (cos t, sin t) with rows counting downward (clockwise from the row
 * direction as displayed). The field of FingerprintGetDirectionFloat
 * (imaging_orientation.h, whose angles run counterclockwise) is therefore
 * passed with its rows in reverse order and its angles negated. Blocks past
 * the field's last row or column reuse its last one; blockSize is not read.
 * A cell whose orientation lies outside -90 ... 90 stays 255.
 *
 * 0 with the new map in *map (release it with free); 1 when the map cannot
 * be allocated; 2 for a null image, field, field data or map pointer, a
 * field without rows or columns, or height or width below 1. On failure
 * *map is null when map is not null.
 */
FPDEVICE_API int32_t FpGetFrequency(const uint8_t *image, int16_t height, int16_t width, const BlockField *field,
                                    uint8_t **map);

/*
 * Whether a print is broken: 1 when a blank band of rows crosses it away
 * from the top and bottom margins, or when blank vertical strips split it
 * over much of its height; 0 otherwise. A row (a column within a band of 16
 * rows) is blank when it is almost all background of the given value.
 * Always 0 for a null image, a dimension below 1, a height above 1024, or
 * when the working projection cannot be allocated.
 */
FPDEVICE_API int32_t NotContinue(const uint8_t *image, int32_t height, int32_t width, int32_t value);

/*
 * The shape complexity of the region of samples equal to value, over the
 * interior samples (the border rows and columns are not counted): B * B / N
 * with N the region's samples and B those of them whose four edge neighbours
 * do not share a set bit (for a 0/255 mask: a neighbour is background).
 * NaN when the interior holds no sample of the value; -1 for a null image.
 */
FPDEVICE_API float Complexity(const uint8_t *image, int16_t height, int16_t width, uint8_t value);

/*
 * Sums of an image: direction 0 writes out[y], the sum of row y, for every
 * row; any other direction out[x], the sum of column x, for every column.
 * Does nothing for a null buffer or a dimension below 1.
 */
FPDEVICE_API void Project(uint32_t *out, const uint8_t *image, int32_t height, int32_t width, int32_t direction);

#ifdef __cplusplus
}
#endif

#endif /* FPDEVICE_IMAGING_FREQUENCY_H */
