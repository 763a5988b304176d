#include "fingermatch/evaluation/error_rates.h"

#include <algorithm>
#include <limits>

namespace fingermatch {

ScoreDistributions::ScoreDistributions(std::vector<float> genuine, std::vector<float> impostor)
    : genuine_(std::move(genuine)), impostor_(std::move(impostor)) {
    std::sort(genuine_.begin(), genuine_.end());
    std::sort(impostor_.begin(), impostor_.end());
    // Every score is a threshold where a rate changes, and one above them
    // all rejects everything.
    thresholds_ = genuine_;
    thresholds_.insert(thresholds_.end(), impostor_.begin(), impostor_.end());
    std::sort(thresholds_.begin(), thresholds_.end());
    thresholds_.erase(std::unique(thresholds_.begin(), thresholds_.end()), thresholds_.end());
    thresholds_.push_back(std::numeric_limits<float>::infinity());
}

ErrorRates ScoreDistributions::At(float threshold) const {
    ErrorRates rates;
    if (!impostor_.empty()) {
        const auto below = std::lower_bound(impostor_.begin(), impostor_.end(), threshold) - impostor_.begin();
        rates.falseMatch =
            static_cast<double>(impostor_.size() - static_cast<size_t>(below)) / static_cast<double>(impostor_.size());
    }
    if (!genuine_.empty()) {
        const auto below = std::lower_bound(genuine_.begin(), genuine_.end(), threshold) - genuine_.begin();
        rates.falseNonMatch = static_cast<double>(below) / static_cast<double>(genuine_.size());
    }
    return rates;
}

double ScoreDistributions::EqualErrorRate() const {
    // t1: the highest threshold where false non-matches are still at most
    // the false matches; t2: the lowest where they are at least as many.
    ErrorRates low{1.0, 0.0};
    ErrorRates high{0.0, 1.0};
    bool haveLow = false;
    bool haveHigh = false;
    for (const float t : thresholds_) {
        const ErrorRates r = At(t);
        if (r.falseNonMatch <= r.falseMatch) {
            low = r;
            haveLow = true;
        }
        if (!haveHigh && r.falseNonMatch >= r.falseMatch) {
            high = r;
            haveHigh = true;
        }
    }
    if (!haveLow) return (high.falseMatch + high.falseNonMatch) / 2.0;
    if (!haveHigh) return (low.falseMatch + low.falseNonMatch) / 2.0;
    if (low.falseNonMatch + low.falseMatch <= high.falseMatch + high.falseNonMatch) {
        return (low.falseNonMatch + low.falseMatch) / 2.0;
    }
    return (high.falseMatch + high.falseNonMatch) / 2.0;
}

double ScoreDistributions::FalseNonMatchAt(double maxFalseMatch) const {
    for (const float t : thresholds_) {
        const ErrorRates r = At(t);
        if (r.falseMatch <= maxFalseMatch) return r.falseNonMatch;
    }
    return 1.0;
}

}  // namespace fingermatch
