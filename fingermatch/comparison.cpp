// Global consolidation of the local similarities by relaxation (LSS-R of
// Cappelli, Ferrara and Maltoni, 2010): the best-matching minutia pairs are
// weighed by how well their mutual distances and angles agree with those of
// the other pairs, so pairs that only look alike locally lose weight, and
// the score is the mean of the pairs that keep it best.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>

#include "fingermatch/comparison.h"
#include "fingermatch/fingermatch.h"

namespace fingermatch {

namespace {

// How many pairs make the score: from 4 for small templates to 12 for large.
constexpr int kFewestPairs = 4;
constexpr int kMostPairs = 12;
constexpr float kPairsMidpoint = 20.0f;
constexpr float kPairsSlope = 0.4f;
// Relaxation: rounds and the weight a pair keeps of its own similarity.
constexpr int kRelaxationRounds = 5;
constexpr float kOwnWeight = 0.5f;
// Compatibility of two pairs: the distance of their minutiae within each
// print agrees to about 5 pixels plus the stretch of the skin between them
// (elastic distortion grows with the distance from where the finger presses
// hardest), directions and radial angles to about pi / 12.
constexpr float kDistanceMidpoint = 5.0f;
constexpr float kStretch = 0.05f;
constexpr float kDistanceSlope = -8.0f / 5.0f;
constexpr float kAngleMidpoint = std::numbers::pi_v<float> / 12.0f;
constexpr float kAngleSlope = -30.0f;

float Sigmoid(float value, float midpoint, float slope) {
    return 1.0f / (1.0f + std::exp(-slope * (value - midpoint)));
}

struct Pair {
    size_t a;
    size_t b;
    float similarity;
};

// The pairs with the highest local similarity, each minutia in one pair.
std::vector<Pair> BestPairs(const PreparedView &a, const PreparedView &b, size_t wanted) {
    std::vector<Pair> all;
    for (size_t i = 0; i < a.cylinders.size(); ++i) {
        for (size_t j = 0; j < b.cylinders.size(); ++j) {
            const float s = CylinderSimilarity(a.cylinders[i], b.cylinders[j]);
            if (s > 0.0f) all.push_back({i, j, s});
        }
    }
    const auto higher = [](const Pair &x, const Pair &y) { return x.similarity > y.similarity; };
    std::vector<bool> usedA(a.cylinders.size(), false);
    std::vector<bool> usedB(b.cylinders.size(), false);
    std::vector<Pair> chosen;
    // The wanted pairs are nearly always among the best few times as many:
    // those are ordered first, the rest only when they run short.
    size_t ordered = std::min(all.size(), 4 * wanted);
    std::partial_sort(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(ordered), all.end(), higher);
    for (size_t i = 0; i < all.size() && chosen.size() < wanted; ++i) {
        if (i == ordered) {
            std::sort(all.begin() + static_cast<std::ptrdiff_t>(ordered), all.end(), higher);
            ordered = all.size();
        }
        const Pair &p = all[i];
        if (usedA[p.a] || usedB[p.b]) continue;
        usedA[p.a] = usedB[p.b] = true;
        chosen.push_back(p);
    }
    return chosen;
}

// The angle between a minutia's direction and the line to another one.
float RadialAngle(const PlacedMinutia &from, const PlacedMinutia &to) {
    return AngleDifference(from.direction, std::atan2(to.y - from.y, to.x - from.x));
}

float Compatibility(const PreparedView &a, const PreparedView &b, const Pair &t, const Pair &k) {
    const PlacedMinutia &at = a.minutiae[t.a], &ak = a.minutiae[k.a];
    const PlacedMinutia &bt = b.minutiae[t.b], &bk = b.minutiae[k.b];
    // Skin stretches: the farther apart two minutiae, the more their distance
    // may change between captures.
    const float lengthA = std::hypot(at.x - ak.x, at.y - ak.y);
    const float lengthB = std::hypot(bt.x - bk.x, bt.y - bk.y);
    const float distance = std::fabs(lengthA - lengthB) - kStretch * 0.5f * (lengthA + lengthB);
    const float direction = std::fabs(
        AngleDifference(AngleDifference(at.direction, ak.direction), AngleDifference(bt.direction, bk.direction)));
    const float radial = std::fabs(AngleDifference(RadialAngle(at, ak), RadialAngle(bt, bk)));
    return Sigmoid(distance, kDistanceMidpoint, kDistanceSlope) * Sigmoid(direction, kAngleMidpoint, kAngleSlope) *
           Sigmoid(radial, kAngleMidpoint, kAngleSlope);
}

float CompareViews(const PreparedView &probe, const PreparedView &candidate) {
    const size_t smaller = std::min(probe.minutiae.size(), candidate.minutiae.size());
    if (smaller == 0) return 0.0f;
    const auto pairsScored = static_cast<size_t>(
        kFewestPairs +
        std::lround(Sigmoid(static_cast<float>(smaller), kPairsMidpoint, kPairsSlope) * (kMostPairs - kFewestPairs)));
    const std::vector<Pair> pairs = BestPairs(probe, candidate, smaller);
    const size_t n = pairs.size();
    if (n < 2) return 0.0f;

    std::vector<float> compatibility(n * n, 0.0f);
    for (size_t t = 0; t < n; ++t) {
        for (size_t k = t + 1; k < n; ++k) {
            compatibility[t * n + k] = compatibility[k * n + t] = Compatibility(probe, candidate, pairs[t], pairs[k]);
        }
    }
    std::vector<float> lambda(n);
    for (size_t t = 0; t < n; ++t) lambda[t] = pairs[t].similarity;
    std::vector<float> next(n);
    for (int round = 0; round < kRelaxationRounds; ++round) {
        for (size_t t = 0; t < n; ++t) {
            float support = 0.0f;
            for (size_t k = 0; k < n; ++k) support += compatibility[t * n + k] * lambda[k];
            next[t] = kOwnWeight * lambda[t] + (1.0f - kOwnWeight) * support / static_cast<float>(n - 1);
        }
        lambda.swap(next);
    }
    // The pairs whose support held best through the relaxation.
    std::vector<size_t> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(),
              [&](size_t x, size_t y) { return lambda[x] / pairs[x].similarity > lambda[y] / pairs[y].similarity; });
    const size_t scored = std::min(pairsScored, n);
    float sum = 0.0f;
    for (size_t i = 0; i < scored; ++i) sum += lambda[order[i]];
    return sum / static_cast<float>(pairsScored);
}

}  // namespace

PreparedTemplate Prepare(const Template &features) {
    uint8_t views = 0;
    for (const Minutia &m : features.minutiae) views = std::max(views, static_cast<uint8_t>(m.view + 1));
    std::vector<std::vector<Minutia>> byView(views);
    for (const Minutia &m : features.minutiae) byView[m.view].push_back(m);
    PreparedTemplate prepared;
    for (const auto &minutiae : byView) prepared.views.push_back(PrepareView(minutiae));
    return prepared;
}

// An enrolled template keeps the views of several captures: the finger is
// recognised by the capture that shows most of what the probe shows.
float ComparePrepared(const PreparedTemplate &probe, const PreparedTemplate &candidate) {
    float best = 0.0f;
    for (const PreparedView &p : probe.views) {
        for (const PreparedView &c : candidate.views) best = std::max(best, CompareViews(p, c));
    }
    return best;
}

float Compare(const Template &probe, const Template &candidate) {
    return ComparePrepared(Prepare(probe), Prepare(candidate));
}

}  // namespace fingermatch
