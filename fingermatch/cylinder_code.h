// Minutia Cylinder-Code (Cappelli, Ferrara and Maltoni, 2010): around each
// minutia, a cylinder of cells in its own frame (two axes of space turned
// with the minutia's direction, one of relative direction) records which
// neighbouring minutiae lie where and point which way. Cylinders do not
// change when the finger is moved or turned, so two of them compare without
// any alignment of the prints. This is the bit-wise form of the code.
#ifndef FINGERMATCH_CYLINDER_CODE_H
#define FINGERMATCH_CYLINDER_CODE_H

#include <array>
#include <cstdint>
#include <vector>

#include "fingermatch/minutia.h"

namespace fingermatch {

constexpr int kCylinderSide = 16;       // spatial cells along each axis
constexpr int kCylinderDirections = 6;  // directional cells
constexpr int kCylinderCells = kCylinderSide * kCylinderSide * kCylinderDirections;
constexpr int kCylinderWords = kCylinderCells / 64;

struct Cylinder {
    std::array<uint64_t, kCylinderWords> bits{};   // cells with a neighbour
    std::array<uint64_t, kCylinderWords> valid{};  // cells that lie on the print
    bool usable = false;
};

// A minutia in the matcher's frame: y upward, so that the angles of the
// standard minutia convention are the usual counterclockwise ones.
struct PlacedMinutia {
    float x = 0.0f;
    float y = 0.0f;
    float direction = 0.0f;
};

// The minutiae of one capture ready for comparison, with their cylinders.
struct PreparedView {
    std::vector<PlacedMinutia> minutiae;
    std::vector<Cylinder> cylinders;
};

PreparedView PrepareView(const std::vector<Minutia> &minutiae);

// The similarity of two cylinders, 0 ... 1; 0 when either is unusable or too
// few of their cells overlap.
float CylinderSimilarity(const Cylinder &a, const Cylinder &b);

// The difference of two angles, -pi ... below pi.
float AngleDifference(float a, float b);

}  // namespace fingermatch

#endif
