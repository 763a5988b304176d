// Walking along the one-pixel ridge lines of the skeleton.
#ifndef FINGERMATCH_RIDGE_TRACING_H
#define FINGERMATCH_RIDGE_TRACING_H

#include <cstdint>
#include <vector>

namespace fingermatch {

struct SkeletonView {
    const std::vector<uint8_t> &lines;  // 1 on a ridge line
    const std::vector<int> &minutiaAt;  // index of the minutia at a pixel, or -1
    int height;
    int width;
};

struct TraceEnd {
    int x = 0;
    int y = 0;
    int steps = 0;
    int minutia = -1;       // the minutia the walk ran into, or -1
    bool junction = false;  // ran into a fork that is no minutia
    bool deadEnd = false;   // the line ended
};

// Walks from (startX, startY) through its neighbour (firstX, firstY) for at
// most maxSteps pixels; stops at the first other minutia, fork or line end.
TraceEnd FollowRidge(const SkeletonView &view, int startX, int startY, int firstX, int firstY, int maxSteps);

// The first pixel of each line leaving (x, y): one per run of set pixels
// around it, an edge neighbour where the run has one.
struct Step {
    int x;
    int y;
};
std::vector<Step> LinesLeaving(const SkeletonView &view, int x, int y);

}  // namespace fingermatch

#endif
