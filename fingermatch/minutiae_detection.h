// Minutiae from the thinned ridge map: crossing numbers, directions from the
// ridge lines, and the removal of the false ones that breaks, bridges, spurs
// and the finger's outline leave.
#ifndef FINGERMATCH_MINUTIAE_DETECTION_H
#define FINGERMATCH_MINUTIAE_DETECTION_H

#include <cstdint>
#include <vector>

#include "fingermatch/block_map.h"
#include "fingermatch/minutia.h"

namespace fingermatch {

struct SkeletonMaps {
    const std::vector<uint8_t> &skeleton;  // 1 on a ridge line
    const std::vector<uint8_t> &interior;  // 1 where a minutia may lie: the finger less its rim
    const BlockMap &orientation;           // radians, 0 ... pi
    const BlockMap &period;
    const BlockMap &quality;
    int height;
    int width;
};

std::vector<Minutia> FindMinutiae(const SkeletonMaps &maps);

// A minutia before the false ones are known.
struct Candidate {
    int x = 0;
    int y = 0;
    MinutiaType type = MinutiaType::kEnding;
    float direction = 0.0f;
    bool removed = false;
};

// Marks as removed the candidates that are no minutiae of the finger.
void RemoveFalseMinutiae(const SkeletonMaps &maps, std::vector<Candidate> *candidates);

}  // namespace fingermatch

#endif
