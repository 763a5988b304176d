// Internal pieces of the orientation field. Private to the library.
#ifndef FPDEVICE_IMAGING_ORIENTATION_INTERNAL_H
#define FPDEVICE_IMAGING_ORIENTATION_INTERNAL_H

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace fpdevice::imaging {

// Degrees per radian as the orientation routines have always written it: a
// few units in the twelfth digit below 180 / pi, which decides how values
// close to a whole degree truncate.
inline constexpr double kDegreesPerRadian = 57.295779513;

// An orientation from a doubled angle in radians: half of it in whole
// degrees, truncated toward zero. Product and quotient in double precision.
// The conversion to an integer truncates toward zero itself, exactly as
// std::trunc would for the at most 90 degrees an angle gives; unlike the
// call it vectorises.
inline int16_t orientation_from_doubled(double doubled) {
    return static_cast<int16_t>(static_cast<int32_t>(doubled * kDegreesPerRadian / 2.0));
}

// orientation_from_doubled(atan2(sine, cosine)) of each pair of sums, the
// angle in double precision from the single-precision sums.
void orientations_of_sums(const float *sines, const float *cosines, int16_t *orientations, size_t count);

// The difference of two orientations modulo 180 degrees: formed in 16 bits,
// then folded into one half turn. (The exported AngleDiffAbs; this copy can
// be inlined, a call to an exported function goes through the PLT.)
inline int16_t angle_diff_abs(int16_t a, int16_t b) {
    int16_t d = static_cast<int16_t>(a - b);
    if (d <= -90) {
        d = static_cast<int16_t>(d + 180);
    } else if (d > 90) {
        d = static_cast<int16_t>(180 - d);
    }
    return static_cast<int16_t>(d < 0 ? -d : d);
}

// The window x window sums (cut at the border, wrapping in 32 bits) of the
// Sobel gradient products P = 2 Gx Gy and Q = Gy^2 - Gx^2 of a height x width
// image, the products 0 on its border. 0, or 1 when scratch memory cannot be
// allocated.
int32_t GradientProductSums(const uint8_t *image, size_t height, size_t width, uint8_t window, int32_t *p, int32_t *q);

// Smooths a field of doubled angles (radians, float, height x width) into
// orientations by summing their unit vectors over window x window entries
// (cut at the field's border). Width before height, as the field's callers
// pass them. 0, or 1 when a work plane cannot be allocated.
int32_t FingerprintSmoothDirection(const float *doubled, int16_t *orientations, uint8_t window, uint16_t width,
                                   uint16_t height);

}  // namespace fpdevice::imaging

#endif  // FPDEVICE_IMAGING_ORIENTATION_INTERNAL_H
