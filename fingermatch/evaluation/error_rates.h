// Error rates of a matcher from its genuine and impostor scores, as the
// Fingerprint Verification Competitions report them.
#ifndef FINGERMATCH_EVALUATION_ERROR_RATES_H
#define FINGERMATCH_EVALUATION_ERROR_RATES_H

#include <vector>

namespace fingermatch {

// At a threshold t a comparison matches when its score is at least t.
struct ErrorRates {
    double falseMatch = 0.0;     // share of impostor scores >= t
    double falseNonMatch = 0.0;  // share of genuine scores < t
};

class ScoreDistributions {
public:
    ScoreDistributions(std::vector<float> genuine, std::vector<float> impostor);

    ErrorRates At(float threshold) const;
    // The equal error rate: the mean of the two rates where they cross (the
    // competitions' (EERlow + EERhigh) / 2).
    double EqualErrorRate() const;
    // The least false non-match rate at a threshold whose false-match rate
    // is at most maxFalseMatch.
    double FalseNonMatchAt(double maxFalseMatch) const;

private:
    std::vector<float> genuine_;   // ascending
    std::vector<float> impostor_;  // ascending
    std::vector<float> thresholds_;
};

}  // namespace fingermatch

#endif
