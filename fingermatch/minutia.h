// Minutiae and the feature set of one finger.
#ifndef FINGERMATCH_MINUTIA_H
#define FINGERMATCH_MINUTIA_H

#include <cstdint>
#include <vector>

namespace fingermatch {

// The codes of the minutia type as the interchange formats write them.
enum class MinutiaType : uint8_t { kEnding = 1, kBifurcation = 2 };

// The most captures an enrolled template keeps.
constexpr uint8_t kMaxViews = 3;

// A minutia as ISO/IEC 19794-2 defines it, at 500 dpi: the origin is the
// top left pixel with rows counting downward; the direction is counted
// counterclockwise as the image is displayed, from the row direction, in
// radians from 0 to below 2 pi. An ending points from its end into its ridge,
// a bifurcation from its fork into the valley between the two branches.
struct Minutia {
    int x = 0;
    int y = 0;
    float direction = 0.0f;
    MinutiaType type = MinutiaType::kEnding;
    uint8_t quality = 0;  // 0 ... 100
    // Which capture of an enrolment the minutia comes from (0 ... 2); the
    // minutiae of one capture are compared with each other only.
    uint8_t view = 0;

    bool operator==(const Minutia &) const = default;
};

// The features of one finger: never the image, only where it was taken
// (the size of the 500 dpi image) and its minutiae, of one capture or, once
// enrolled, of up to three.
struct Template {
    uint16_t width = 0;
    uint16_t height = 0;
    std::vector<Minutia> minutiae;

    bool operator==(const Template &) const = default;
};

}  // namespace fingermatch

#endif
