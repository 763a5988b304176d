// Vector averaging of doubled angles into smoothed orientations.
#include "imaging/local_sums_impl.h"
#include "imaging/orientation_internal.h"
#include "imaging/scratch.h"

#include <cmath>
#include <cstddef>

namespace fpdevice::imaging {

int32_t FingerprintSmoothDirection(const float *doubled, int16_t *orientations, uint8_t window, uint16_t width,
                                   uint16_t height) {
    if (doubled == nullptr || orientations == nullptr) {
        return 1;
    }
    const size_t count = static_cast<size_t>(width) * height;
    if (count == 0) {
        return 0;
    }
    const Scratch<float> owned = scratch_alloc<float>(2 * count);
    float *cosines = owned.get();
    if (cosines == nullptr) {
        return 1;
    }
    float *sines = cosines + count;
    for (size_t i = 0; i < count; ++i) {
        // Computed in double precision from the stored single angle, then
        // stored as single: the sums below are single-precision sums.
        const double angle = doubled[i];
        cosines[i] = static_cast<float>(std::cos(angle));
        sines[i] = static_cast<float>(std::sin(angle));
    }
    if (image_window_sum(cosines, cosines, height, width, window, window) != 0 ||
        image_window_sum(sines, sines, height, width, window, window) != 0) {
        return 1;
    }
    // atan2 of the float sums in double precision, not rounded to single:
    // vertical ridges (doubled angle pi, stored just above pi, whose sine is
    // slightly negative) come out as -89.99... and truncate to -89.
    orientations_of_sums(sines, cosines, orientations, count);
    return 0;
}

}  // namespace fpdevice::imaging
