// Enrolment from several captures of one finger.
#include <algorithm>

#include "fingermatch/comparison.h"
#include "fingermatch/fingermatch.h"

namespace fingermatch {

// The capture that agrees best with the others is kept: it is the one most
// likely to show the part of the finger later captures show too, and a
// capture that went wrong (a smudge, another finger) agrees with none.
Template EnrolTemplate(std::span<const Template> captures) {
    if (captures.empty()) return {};
    std::vector<PreparedTemplate> prepared;
    for (const Template &capture : captures) prepared.push_back(Prepare(capture));
    size_t best = 0;
    float bestAgreement = -1.0f;
    for (size_t i = 0; i < captures.size(); ++i) {
        float agreement = 0.0f;
        for (size_t j = 0; j < captures.size(); ++j) {
            if (j != i) agreement += ComparePrepared(prepared[i], prepared[j]);
        }
        if (agreement > bestAgreement ||
            (agreement == bestAgreement && captures[i].minutiae.size() > captures[best].minutiae.size())) {
            bestAgreement = agreement;
            best = i;
        }
    }
    return captures[best];
}

}  // namespace fingermatch
