// The cylinder parameters are those Cappelli, Ferrara and Maltoni give for
// 500 dpi scans (radius 70 pixels, 16 x 16 x 6 cells, spatial spread 28/3,
// directional spread 2 pi / 9, hull margin 50); the code is our own from
// their description.
#include "fingermatch/cylinder_code.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>

namespace fingermatch {

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kRadius = 70.0f;
constexpr float kCellStep = 2.0f * kRadius / kCylinderSide;
constexpr float kDirectionStep = 2.0f * kPi / kCylinderDirections;
constexpr float kSpatialSigma = 28.0f / 3.0f;
constexpr float kDirectionalSigma = 2.0f * kPi / 9.0f;
// A cell counts a neighbour when the summed contributions pass this level
// (the sigmoid's midpoint of the real-valued code).
constexpr float kCellLevel = 0.01f;
// Cells farther than this from the minutiae's convex hull lie off the print.
constexpr float kHullMargin = 50.0f;
// A cylinder needs this share of its cells on the print and this many
// neighbours to say anything.
constexpr float kMinValidShare = 0.75f;
constexpr int kMinNeighbours = 2;
// Two cylinders compare only where this share of their cells overlap.
// (Their minutiae's directions are not compared: a finger may lie on the
// sensor at any angle.)
constexpr float kMinMatchableShare = 0.6f;

using Point = std::array<float, 2>;

float Cross(const Point &o, const Point &a, const Point &b) {
    return (a[0] - o[0]) * (b[1] - o[1]) - (a[1] - o[1]) * (b[0] - o[0]);
}

// Andrew's monotone chain, counterclockwise.
std::vector<Point> ConvexHull(std::vector<Point> points) {
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    if (points.size() < 3) return points;
    std::vector<Point> hull(2 * points.size());
    size_t k = 0;
    for (const Point &p : points) {
        while (k >= 2 && Cross(hull[k - 2], hull[k - 1], p) <= 0) --k;
        hull[k++] = p;
    }
    for (size_t i = points.size() - 1, lower = k + 1; i-- > 0;) {
        while (k >= lower && Cross(hull[k - 2], hull[k - 1], points[i]) <= 0) --k;
        hull[k++] = points[i];
    }
    hull.resize(k - 1);
    return hull;
}

float SquaredSegmentDistance(const Point &p, const Point &a, const Point &b) {
    const float dx = b[0] - a[0];
    const float dy = b[1] - a[1];
    const float length2 = dx * dx + dy * dy;
    float t = length2 > 0.0f ? ((p[0] - a[0]) * dx + (p[1] - a[1]) * dy) / length2 : 0.0f;
    t = std::clamp(t, 0.0f, 1.0f);
    const float ex = p[0] - a[0] - t * dx;
    const float ey = p[1] - a[1] - t * dy;
    return ex * ex + ey * ey;
}

bool NearHull(const std::vector<Point> &hull, const Point &p) {
    constexpr float kMargin2 = kHullMargin * kHullMargin;
    if (hull.empty()) return false;
    if (hull.size() == 1) return SquaredSegmentDistance(p, hull[0], hull[0]) <= kMargin2;
    if (hull.size() == 2) return SquaredSegmentDistance(p, hull[0], hull[1]) <= kMargin2;
    bool inside = true;
    for (size_t i = 0; i < hull.size() && inside; ++i) inside = Cross(hull[i], hull[(i + 1) % hull.size()], p) >= 0.0f;
    if (inside) return true;
    for (size_t i = 0; i < hull.size(); ++i) {
        if (SquaredSegmentDistance(p, hull[i], hull[(i + 1) % hull.size()]) <= kMargin2) return true;
    }
    return false;
}

// The spatial contribution by squared distance, tabulated per square pixel
// up to the reach of a neighbour and interpolated: one exponential per
// table entry instead of one per neighbour and cell.
class SpatialContribution {
public:
    SpatialContribution() {
        for (size_t i = 0; i < values_.size(); ++i) {
            values_[i] = std::exp(-static_cast<float>(i) / (2.0f * kSpatialSigma * kSpatialSigma)) /
                         (kSpatialSigma * std::sqrt(2.0f * kPi));
        }
    }
    float operator()(float distance2) const {
        const auto i = static_cast<size_t>(distance2);
        const float w = distance2 - static_cast<float>(i);
        return i + 1 < values_.size() ? (1.0f - w) * values_[i] + w * values_[i + 1] : values_.back();
    }

private:
    std::array<float, static_cast<size_t>(9.0f * kSpatialSigma * kSpatialSigma) + 2> values_{};
};

// The share of a normal distribution of the directional spread that falls
// into a direction cell whose centre lies `offset` away.
float DirectionalShare(float offset) {
    const float scale = 1.0f / (kDirectionalSigma * std::numbers::sqrt2_v<float>);
    return 0.5f *
           (std::erf((offset + kDirectionStep / 2.0f) * scale) - std::erf((offset - kDirectionStep / 2.0f) * scale));
}

// The shares of the six direction cells for a relative direction, tabulated
// in 256ths of a turn: finer than the directions a template stores.
class DirectionalShares {
public:
    static constexpr int kSteps = 256;
    DirectionalShares() {
        for (int step = 0; step < kSteps; ++step) {
            const float relative = AngleDifference(static_cast<float>(step) * 2.0f * kPi / kSteps, 0.0f);
            for (int k = 0; k < kCylinderDirections; ++k) {
                const float cellAngle = -kPi + (static_cast<float>(k) + 0.5f) * kDirectionStep;
                shares_[static_cast<size_t>(step)][static_cast<size_t>(k)] =
                    DirectionalShare(AngleDifference(cellAngle, relative));
            }
        }
    }
    const std::array<float, kCylinderDirections> &operator()(float relative) const {
        float turns = relative / (2.0f * kPi);
        turns -= std::floor(turns);
        return shares_[static_cast<size_t>(static_cast<int>(turns * kSteps + 0.5f) % kSteps)];
    }

private:
    std::array<std::array<float, kCylinderDirections>, kSteps> shares_{};
};

void SetBit(std::array<uint64_t, kCylinderWords> *words, int cell) {
    (*words)[static_cast<size_t>(cell / 64)] |= uint64_t{1} << (cell % 64);
}

int CellIndex(int i, int j, int k) { return (k * kCylinderSide + j) * kCylinderSide + i; }

Cylinder MakeCylinder(const std::vector<PlacedMinutia> &minutiae, size_t centre, const std::vector<Point> &hull,
                      const SpatialContribution &spatialContribution, const DirectionalShares &directionalShares) {
    const PlacedMinutia &m = minutiae[centre];
    const float cosD = std::cos(m.direction);
    const float sinD = std::sin(m.direction);
    Cylinder cylinder;
    std::array<float, kCylinderSide * kCylinderSide> cellX{};
    std::array<float, kCylinderSide * kCylinderSide> cellY{};
    std::array<bool, kCylinderSide * kCylinderSide> cellValid{};
    int validCells = 0;
    int possibleCells = 0;
    for (int j = 0; j < kCylinderSide; ++j) {
        for (int i = 0; i < kCylinderSide; ++i) {
            const float u = kCellStep * (static_cast<float>(i) - (kCylinderSide - 1) / 2.0f);
            const float v = kCellStep * (static_cast<float>(j) - (kCylinderSide - 1) / 2.0f);
            const float x = m.x + u * cosD - v * sinD;
            const float y = m.y + u * sinD + v * cosD;
            cellX[static_cast<size_t>(j * kCylinderSide + i)] = x;
            cellY[static_cast<size_t>(j * kCylinderSide + i)] = y;
            if (u * u + v * v > kRadius * kRadius) continue;
            ++possibleCells;
            if (!NearHull(hull, {x, y})) continue;
            ++validCells;
            cellValid[static_cast<size_t>(j * kCylinderSide + i)] = true;
            for (int k = 0; k < kCylinderDirections; ++k) SetBit(&cylinder.valid, CellIndex(i, j, k));
        }
    }
    // Contributions summed per valid cell, neighbour by neighbour: each
    // reaches only the cells within three spatial spreads of it. The six
    // direction cells of a place lie side by side here.
    std::array<float, kCylinderCells> sums{};
    int neighbours = 0;
    const float reach = 3.0f * kSpatialSigma;
    for (size_t t = 0; t < minutiae.size(); ++t) {
        if (t == centre) continue;
        const PlacedMinutia &n = minutiae[t];
        const float dx = n.x - m.x;
        const float dy = n.y - m.y;
        if (dx * dx + dy * dy > (kRadius + reach) * (kRadius + reach)) continue;
        ++neighbours;
        // The neighbour in the cylinder's frame, in cell units.
        const float u = (dx * cosD + dy * sinD) / kCellStep + (kCylinderSide - 1) / 2.0f;
        const float v = (-dx * sinD + dy * cosD) / kCellStep + (kCylinderSide - 1) / 2.0f;
        const std::array<float, kCylinderDirections> &shares = directionalShares(m.direction - n.direction);
        const int iFirst = std::max(0, static_cast<int>(std::ceil(u - reach / kCellStep)));
        const int iLast = std::min(kCylinderSide - 1, static_cast<int>(std::floor(u + reach / kCellStep)));
        const int jFirst = std::max(0, static_cast<int>(std::ceil(v - reach / kCellStep)));
        const int jLast = std::min(kCylinderSide - 1, static_cast<int>(std::floor(v + reach / kCellStep)));
        for (int j = jFirst; j <= jLast; ++j) {
            for (int i = iFirst; i <= iLast; ++i) {
                const size_t cell = static_cast<size_t>(j * kCylinderSide + i);
                if (!cellValid[cell]) continue;
                const float ex = cellX[cell] - n.x;
                const float ey = cellY[cell] - n.y;
                const float distance2 = ex * ex + ey * ey;
                if (distance2 > reach * reach) continue;
                const float spatial = spatialContribution(distance2);
                for (size_t k = 0; k < kCylinderDirections; ++k)
                    sums[cell * kCylinderDirections + k] += spatial * shares[k];
            }
        }
    }
    for (int place = 0; place < kCylinderSide * kCylinderSide; ++place) {
        for (int k = 0; k < kCylinderDirections; ++k) {
            if (sums[static_cast<size_t>(place * kCylinderDirections + k)] >= kCellLevel) {
                SetBit(&cylinder.bits, CellIndex(place % kCylinderSide, place / kCylinderSide, k));
            }
        }
    }
    cylinder.usable = neighbours >= kMinNeighbours &&
                      static_cast<float>(validCells) >= kMinValidShare * static_cast<float>(possibleCells);
    return cylinder;
}

}  // namespace

float AngleDifference(float a, float b) {
    float d = a - b;
    while (d < -kPi) d += 2.0f * kPi;
    while (d >= kPi) d -= 2.0f * kPi;
    return d;
}

PreparedView PrepareView(const std::vector<Minutia> &minutiae) {
    PreparedView prepared;
    std::vector<Point> points;
    for (const Minutia &m : minutiae) {
        prepared.minutiae.push_back({static_cast<float>(m.x), -static_cast<float>(m.y), m.direction});
        points.push_back({static_cast<float>(m.x), -static_cast<float>(m.y)});
    }
    const std::vector<Point> hull = ConvexHull(points);
    // Tables that never change, made once for the whole program (the
    // language makes their first use safe from any thread).
    static const SpatialContribution spatialContribution;
    static const DirectionalShares directionalShares;
    for (size_t i = 0; i < prepared.minutiae.size(); ++i) {
        prepared.cylinders.push_back(MakeCylinder(prepared.minutiae, i, hull, spatialContribution, directionalShares));
    }
    return prepared;
}

// Most of a comparison is bit counting: where the processor has an
// instruction for it, a copy built for it is chosen when the program loads.
[[gnu::target_clones("popcnt", "default")]] float CylinderSimilarity(const Cylinder &a, const Cylinder &b) {
    if (!a.usable || !b.usable) return 0.0f;
    int matchable = 0;
    int onesA = 0;
    int onesB = 0;
    int differing = 0;
    for (size_t w = 0; w < a.bits.size(); ++w) {
        const uint64_t both = a.valid[w] & b.valid[w];
        const uint64_t bitsA = a.bits[w] & both;
        const uint64_t bitsB = b.bits[w] & both;
        matchable += std::popcount(both);
        onesA += std::popcount(bitsA);
        onesB += std::popcount(bitsB);
        differing += std::popcount(bitsA ^ bitsB);
    }
    // Of the cells a cylinder can have (those within its radius).
    constexpr float kCellsInRadius = kPi / 4.0f * kCylinderCells;
    if (static_cast<float>(matchable) < kMinMatchableShare * kCellsInRadius) return 0.0f;
    const float norms = std::sqrt(static_cast<float>(onesA)) + std::sqrt(static_cast<float>(onesB));
    if (norms == 0.0f) return 0.0f;
    return 1.0f - std::sqrt(static_cast<float>(differing)) / norms;
}

}  // namespace fingermatch
