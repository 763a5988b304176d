// Crossing numbers on the skeleton (Arcelli and Baja; Rutovitz) mark the
// candidates; each one's direction comes from walking its ridge lines a
// ridge period or so, as the minutia standards define it.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "fingermatch/minutiae_detection.h"
#include "fingermatch/ridge_tracing.h"
#include "fingermatch/skeleton.h"

namespace fingermatch {

namespace {

constexpr float kTwoPi = 2.0f * std::numbers::pi_v<float>;
// How far a line is walked to measure a direction: about a ridge period,
// past the pixel noise of the thinning, short of the ridge's bends.
constexpr int kDirectionSteps = 10;

float AngleTo(int fromX, int fromY, int toX, int toY) {
    // Rows count downward; angles count counterclockwise as displayed.
    float angle = std::atan2(static_cast<float>(fromY - toY), static_cast<float>(toX - fromX));
    if (angle < 0.0f) angle += kTwoPi;
    return angle;
}

float AngleBetween(float a, float b) {
    const float d = std::fmod(std::fabs(a - b), kTwoPi);
    return std::min(d, kTwoPi - d);
}

// An ending points into its ridge. A bifurcation points between its two
// branches, away from the stem: the stem is the branch that stands apart
// from the other two.
bool MeasureDirection(const SkeletonView &view, Candidate *candidate) {
    const std::vector<Step> lines = LinesLeaving(view, candidate->x, candidate->y);
    std::vector<float> angles;
    for (const Step &first : lines) {
        const TraceEnd end = FollowRidge(view, candidate->x, candidate->y, first.x, first.y, kDirectionSteps);
        angles.push_back(AngleTo(candidate->x, candidate->y, end.x, end.y));
    }
    if (candidate->type == MinutiaType::kEnding) {
        if (angles.size() != 1) return false;
        candidate->direction = angles[0];
        return true;
    }
    if (angles.size() != 3) return false;
    size_t stem = 0;
    float widest = -1.0f;
    for (size_t i = 0; i < 3; ++i) {
        const float apart =
            std::min(AngleBetween(angles[i], angles[(i + 1) % 3]), AngleBetween(angles[i], angles[(i + 2) % 3]));
        if (apart > widest) {
            widest = apart;
            stem = i;
        }
    }
    candidate->direction = std::fmod(angles[stem] + std::numbers::pi_v<float>, kTwoPi);
    return true;
}

// A walk of ten pixels along a thinned line measures a direction to within
// some 15 degrees; the orientation field, averaged over two ridge periods,
// to within a few. The field gives the line, the walk which way along it
// the minutia points. Where the two disagree by much (near a core or a
// delta, where the field bends faster than it is sampled), the walk stands.
constexpr float kFieldTrust = std::numbers::pi_v<float> / 6.0f;

float RefinedDirection(const SkeletonMaps &maps, const Candidate &candidate) {
    const float field = maps.orientation.AtPixel(candidate.x, candidate.y);
    const float forward =
        AngleBetween(field, candidate.direction) <= AngleBetween(field + std::numbers::pi_v<float>, candidate.direction)
            ? field
            : std::fmod(field + std::numbers::pi_v<float>, kTwoPi);
    return AngleBetween(forward, candidate.direction) <= kFieldTrust ? forward : candidate.direction;
}

uint8_t MinutiaQuality(const SkeletonMaps &maps, int x, int y) {
    return static_cast<uint8_t>(std::lround(100.0f * std::clamp(maps.quality.AtPixel(x, y), 0.0f, 1.0f)));
}

}  // namespace

std::vector<Minutia> FindMinutiae(const SkeletonMaps &maps) {
    const int height = maps.height;
    const int width = maps.width;
    std::vector<Candidate> candidates;
    std::vector<int> minutiaAt(static_cast<size_t>(height) * width, -1);
    for (int y = 1; y + 1 < height; ++y) {
        for (int x = 1; x + 1 < width; ++x) {
            const size_t at = static_cast<size_t>(y) * width + x;
            if (maps.skeleton[at] == 0) continue;
            const int crossings = CrossingNumber(NeighbourCode(maps.skeleton, width, height, x, y));
            if (crossings != 1 && crossings != 3) continue;
            minutiaAt[at] = static_cast<int>(candidates.size());
            candidates.push_back(
                {x, y, crossings == 1 ? MinutiaType::kEnding : MinutiaType::kBifurcation, 0.0f, false});
        }
    }
    const SkeletonView view{maps.skeleton, minutiaAt, height, width};
    for (Candidate &candidate : candidates) {
        candidate.removed = !MeasureDirection(view, &candidate);
        if (!candidate.removed) candidate.direction = RefinedDirection(maps, candidate);
    }
    RemoveFalseMinutiae(maps, &candidates);

    std::vector<Minutia> minutiae;
    for (const Candidate &candidate : candidates) {
        if (candidate.removed) continue;
        minutiae.push_back({candidate.x, candidate.y, candidate.direction, candidate.type,
                            MinutiaQuality(maps, candidate.x, candidate.y)});
    }
    return minutiae;
}

}  // namespace fingermatch
