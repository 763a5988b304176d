// Thinning of the binary ridge map to one-pixel-wide ridge lines, and the
// neighbourhood codes the minutia detector reads from it.
#ifndef FINGERMATCH_SKELETON_H
#define FINGERMATCH_SKELETON_H

#include <array>
#include <cstdint>
#include <vector>

namespace fingermatch {

// The eight neighbours in clockwise order starting above: N, NE, E, SE, S,
// SW, W, NW (rows counting downward).
constexpr std::array<int, 8> kNeighbourDx = {0, 1, 1, 1, 0, -1, -1, -1};
constexpr std::array<int, 8> kNeighbourDy = {-1, -1, 0, 1, 1, 1, 0, -1};

// Bit i set when neighbour i is set. The border pixels of the image count as
// having no neighbours outside it.
uint8_t NeighbourCode(const std::vector<uint8_t> &plane, int width, int height, int x, int y);

// The crossing number of Rutovitz: half the number of changes between set
// and clear around the ring. 1 on a ridge ending, 2 along a ridge, 3 or more
// at a bifurcation.
int CrossingNumber(uint8_t code);

// Thins the ridges in place (1 ridge, 0 elsewhere) to lines one pixel wide
// that keep the ridges' connections.
void ThinRidges(std::vector<uint8_t> *plane, int height, int width);

}  // namespace fingermatch

#endif
