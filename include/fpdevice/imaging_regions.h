/*
 * fpdevice image library: connected regions, 3 x 3 mean and stripe removal.
 *
 * Images follow the library's conventions (see imaging_primitives.h): 8-bit
 * samples row after row without padding, height before width. Dimensions are
 * signed 16-bit values here.
 *
 * Regions are 4-connected: a pixel joins a region through its left, right,
 * upper or lower neighbour, never through a corner alone.
 *
 * Status results: 0 success, 1 failed allocation, 2 bad arguments. Nothing
 * is kept between calls; every routine may run concurrently on different
 * buffers.
 *
 * Compiles as C99 and as C++.
 */
#ifndef FPDEVICE_IMAGING_REGIONS_H
#define FPDEVICE_IMAGING_REGIONS_H

#include <stdint.h>

#include "fpdevice/export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Seed stack ---- */

/*
 * A bounded last-in, first-out stack of 32-bit values, usually a local of
 * its owner. The top of the stack is entries[count - 1]. A pixel point is
 * stored as one value: column (x) in the low 16 bits, row (y) in the high
 * 16 bits.
 */
typedef struct ZooList {
    uint32_t *entries;
    int32_t count;
    int32_t capacity;
} ZooList;

/*
 * Empties the list and gives it zero-filled storage for capacity entries.
 * Earlier storage is not released. When capacity is 0 or negative, or the
 * storage cannot be allocated, the list gets no storage and capacity 0:
 * every push then answers 0. A null list is ignored.
 */
FPDEVICE_API void zooInitList(ZooList *list, int32_t capacity);

/* Releases the storage; entries becomes null, count and capacity 0. */
FPDEVICE_API void zooClearup(ZooList *list);

/* 1 when value was stored at the top; 0 when the list is full, has no
 * storage or is null (the list is unchanged). */
FPDEVICE_API int32_t zooPush(ZooList *list, uint32_t value);

/* 1 with the top entry removed and written to *value; 0 when the list is
 * empty or either pointer is null (nothing changes). */
FPDEVICE_API int32_t zooPop(ZooList *list, uint32_t *value);

/* 1 when the list holds no entry (or is null), else 0. */
FPDEVICE_API int32_t zooIsListEmpty(const ZooList *list);

/* ---- Regions ---- */

/*
 * Scan-line fill: recolours with fillValue the 4-connected region of pixels
 * p with |p - value| < tolerance that holds the seed (seedRow, seedCol), and
 * reports its pixel count in *area and its bounding box in *left, *top,
 * *right, *bottom (columns and rows, inclusive). Tolerance 1 means
 * equality; tolerance 0 matches nothing.
 *
 * Nothing changes, and *area is 0 with the empty box left = width,
 * top = height, right = 0, bottom = 0, when the image is null, a dimension
 * is below 1, the seed lies outside the image or does not match, the fill
 * value itself matches (the fill could never end), or the working storage
 * cannot be allocated. Null output pointers are allowed.
 */
FPDEVICE_API void RegionGrow(uint8_t *image, int16_t height, int16_t width, int16_t seedRow, int16_t seedCol,
                             uint32_t *area, int16_t *left, int16_t *top, int16_t *right, int16_t *bottom,
                             uint8_t value, uint8_t fillValue, uint8_t tolerance);

/*
 * Recolours with fillValue every 4-connected region of pixels exactly equal
 * to value whose pixel count is at most areaLimit. The limit is compared as
 * an unsigned 32-bit number, so a negative limit admits every region and
 * limit 0 none.
 * 0 done; 1 out of memory (image unchanged); 2 null image or value equal to
 * fillValue (image unchanged).
 */
FPDEVICE_API int32_t RemoveSmallArea(uint8_t *image, int16_t height, int16_t width, uint8_t value, uint8_t fillValue,
                                     int16_t areaLimit);

/* ---- Filters ---- */

/*
 * 3 x 3 box mean: each result sample is the sum of the source samples of
 * its 3 x 3 neighbourhood that lie inside the image, divided by 9 (integer
 * division). Samples outside count as 0, so the border comes out darker: a
 * constant 90 gives 60 along the edges and 40 in the corners. Source and
 * destination may be the same buffer (but must not overlap otherwise).
 * 0 done; 1 out of memory (destination unchanged); 2 null image, height < 1
 * or width < 1.
 */
FPDEVICE_API int32_t MeanSmooth(const uint8_t *source, uint8_t *destination, int16_t height, int16_t width);

/*
 * Recolours with fillValue every maximal run of pixels equal to value that
 * is at most longestRun long: along rows for direction 0, along columns for
 * direction 1; any other direction changes nothing.
 * 0 done; 2 null image.
 */
FPDEVICE_API int32_t RemoveStripe(uint8_t *image, int16_t height, int16_t width, uint8_t value, uint8_t fillValue,
                                  uint8_t longestRun, uint8_t direction);

#ifdef __cplusplus
}
#endif

#endif
