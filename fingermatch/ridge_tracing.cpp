#include "fingermatch/ridge_tracing.h"

#include <cstdlib>

#include "fingermatch/skeleton.h"

namespace fingermatch {

namespace {

bool Adjacent(int ax, int ay, int bx, int by) { return std::abs(ax - bx) <= 1 && std::abs(ay - by) <= 1; }

}  // namespace

std::vector<Step> LinesLeaving(const SkeletonView &view, int x, int y) {
    const uint8_t code = NeighbourCode(view.lines, view.width, view.height, x, y);
    std::vector<Step> steps;
    if (code == 0 || code == 0xFF) return steps;
    // Start at a clear neighbour so that no run wraps around the ring.
    int start = 0;
    while (((code >> start) & 1) != 0) ++start;
    int chosen = -1;
    for (int k = 1; k <= 8; ++k) {
        const int i = (start + k) % 8;
        const bool set = ((code >> i) & 1) != 0;
        if (set) {
            // Edge neighbours (even positions) lie on the line itself; a
            // corner beside one is only its diagonal step.
            if (chosen < 0 || (i % 2 == 0 && chosen % 2 == 1)) chosen = i;
        } else if (chosen >= 0) {
            steps.push_back(
                {x + kNeighbourDx[static_cast<size_t>(chosen)], y + kNeighbourDy[static_cast<size_t>(chosen)]});
            chosen = -1;
        }
    }
    return steps;
}

TraceEnd FollowRidge(const SkeletonView &view, int startX, int startY, int firstX, int firstY, int maxSteps) {
    TraceEnd end;
    int previousX = startX, previousY = startY;
    int x = firstX, y = firstY;
    for (end.steps = 1;; ++end.steps) {
        end.x = x;
        end.y = y;
        const int here = view.minutiaAt[static_cast<size_t>(y) * view.width + x];
        if (here >= 0) {
            end.minutia = here;
            return end;
        }
        if (end.steps >= maxSteps) return end;
        // The ways on: set neighbours that do not lead back. Neighbours next
        // to each other are one way; its edge neighbour is taken.
        Step ways[8] = {};
        int found = 0;
        for (size_t i = 0; i < 8; ++i) {
            const int nx = x + kNeighbourDx[i];
            const int ny = y + kNeighbourDy[i];
            if (nx < 0 || ny < 0 || nx >= view.width || ny >= view.height) continue;
            if (view.lines[static_cast<size_t>(ny) * view.width + nx] == 0) continue;
            if (Adjacent(nx, ny, previousX, previousY) || (nx == startX && ny == startY)) continue;
            int same = 0;
            while (same < found && !Adjacent(nx, ny, ways[same].x, ways[same].y)) ++same;
            if (same == found) {
                ways[found++] = {nx, ny};
            } else if (i % 2 == 0) {
                ways[same] = {nx, ny};
            }
        }
        const int nextX = ways[0].x;
        const int nextY = ways[0].y;
        if (found == 0) {
            end.deadEnd = true;
            return end;
        }
        if (found > 1) {
            end.junction = true;
            return end;
        }
        previousX = x;
        previousY = y;
        x = nextX;
        y = nextY;
    }
}

}  // namespace fingermatch
