// False minutiae and their removal, in the order of the survey of Maltoni,
// Maio, Jain and Prabhakar (Handbook of Fingerprint Recognition, ch. 3):
// structures shorter than about a ridge period along the skeleton are
// artefacts of noise and thinning (spurs, short islands, bridges across a
// valley, small holes), two endings facing each other across a short gap are
// one broken ridge, and minutiae on the outline of the finger are where the
// print stops, not where a ridge does.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "fingermatch/minutiae_detection.h"
#include "fingermatch/ridge_tracing.h"

namespace fingermatch {

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
// Links shorter than a ridge period along the skeleton join two false
// minutiae: a spur, a dot or a bridge across a valley. Longer ones are real
// short ridges and lakes, which the finger keeps from one capture to the next.
constexpr float kLinkPeriods = 1.0f;
// Endings closer than this many periods that face each other, with
// directions this close to opposite and the gap along them, are one ridge.
constexpr float kGapPeriods = 1.8f;
constexpr float kFacingTolerance = kPi / 6.0f;
// Two candidates closer than this are one minutia seen twice by the
// crossing number (a fork drawn over two pixels).
constexpr int kSameSpot = 4;

float AngleBetween(float a, float b) {
    const float d = std::fmod(std::fabs(a - b), 2.0f * kPi);
    return std::min(d, 2.0f * kPi - d);
}

float Distance(const Candidate &a, const Candidate &b) {
    return std::hypot(static_cast<float>(a.x - b.x), static_cast<float>(a.y - b.y));
}

// Short links along the skeleton, judged on all candidates at once so that
// the order of the candidates does not matter.
void RemoveShortLinks(const SkeletonMaps &maps, std::vector<Candidate> *candidates) {
    std::vector<int> minutiaAt(static_cast<size_t>(maps.height) * maps.width, -1);
    for (size_t i = 0; i < candidates->size(); ++i) {
        const Candidate &c = (*candidates)[i];
        minutiaAt[static_cast<size_t>(c.y) * maps.width + c.x] = static_cast<int>(i);
    }
    const SkeletonView view{maps.skeleton, minutiaAt, maps.height, maps.width};
    std::vector<bool> doomed(candidates->size(), false);
    for (size_t i = 0; i < candidates->size(); ++i) {
        const Candidate &c = (*candidates)[i];
        const int steps = static_cast<int>(std::lround(kLinkPeriods * maps.period.AtPixel(c.x, c.y)));
        for (const Step &first : LinesLeaving(view, c.x, c.y)) {
            const TraceEnd end = FollowRidge(view, c.x, c.y, first.x, first.y, steps);
            if (end.minutia < 0) continue;
            // Ending to ending: an island; ending to fork: a spur; fork to
            // fork: a bridge or a hole.
            doomed[i] = true;
            doomed[static_cast<size_t>(end.minutia)] = true;
        }
    }
    for (size_t i = 0; i < candidates->size(); ++i) {
        if (doomed[i]) (*candidates)[i].removed = true;
    }
}

void RemoveBrokenRidges(const SkeletonMaps &maps, std::vector<Candidate> *candidates) {
    std::vector<bool> doomed(candidates->size(), false);
    for (size_t i = 0; i < candidates->size(); ++i) {
        const Candidate &a = (*candidates)[i];
        if (a.removed || a.type != MinutiaType::kEnding) continue;
        const float gap = kGapPeriods * maps.period.AtPixel(a.x, a.y);
        for (size_t j = i + 1; j < candidates->size(); ++j) {
            const Candidate &b = (*candidates)[j];
            if (b.removed || b.type != MinutiaType::kEnding || Distance(a, b) > gap) continue;
            if (AngleBetween(a.direction, b.direction) < kPi - kFacingTolerance) continue;
            // b lies ahead of a's end, away from a's ridge.
            float towardB = std::atan2(static_cast<float>(a.y - b.y), static_cast<float>(b.x - a.x));
            if (AngleBetween(towardB, a.direction + kPi) > 2.0f * kFacingTolerance) continue;
            doomed[i] = true;
            doomed[j] = true;
        }
    }
    for (size_t i = 0; i < candidates->size(); ++i) {
        if (doomed[i]) (*candidates)[i].removed = true;
    }
}

void RemoveDuplicates(std::vector<Candidate> *candidates) {
    for (size_t i = 0; i < candidates->size(); ++i) {
        Candidate &a = (*candidates)[i];
        if (a.removed) continue;
        for (size_t j = i + 1; j < candidates->size(); ++j) {
            Candidate &b = (*candidates)[j];
            if (!b.removed && std::abs(a.x - b.x) <= kSameSpot && std::abs(a.y - b.y) <= kSameSpot) b.removed = true;
        }
    }
}

}  // namespace

void RemoveFalseMinutiae(const SkeletonMaps &maps, std::vector<Candidate> *candidates) {
    RemoveShortLinks(maps, candidates);
    RemoveBrokenRidges(maps, candidates);
    RemoveDuplicates(candidates);
    for (Candidate &c : *candidates) {
        if (maps.interior[static_cast<size_t>(c.y) * maps.width + c.x] == 0) c.removed = true;
    }
}

}  // namespace fingermatch
