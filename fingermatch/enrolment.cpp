// Enrolment from several captures of one finger.
#include <algorithm>
#include <numeric>

#include "fingermatch/comparison.h"
#include "fingermatch/fingermatch.h"
#include "fingermatch/template_format.h"

namespace fingermatch {

// The template keeps the captures that match the one agreeing best with all
// the others, each as a view of its own: later captures are matched with the
// view that shows most of the same part of the finger. (On the shared scans,
// enrolling three impressions and verifying five later ones, this rejected
// fewer genuine attempts than keeping the best capture or the first one, with
// no false match: see bench/README.md.) A capture that matches none of the
// others, a smudge or another finger, is left out.
Template EnrolTemplate(std::span<const Template> captures) {
    if (captures.empty()) return {};
    std::vector<PreparedTemplate> prepared;
    for (const Template &capture : captures) prepared.push_back(Prepare(capture));
    std::vector<float> scores(captures.size() * captures.size(), 0.0f);
    for (size_t i = 0; i < captures.size(); ++i) {
        for (size_t j = i + 1; j < captures.size(); ++j) {
            scores[i * captures.size() + j] = scores[j * captures.size() + i] =
                ComparePrepared(prepared[i], prepared[j]);
        }
    }
    const auto agreement = [&](size_t i) {
        return std::accumulate(scores.begin() + static_cast<std::ptrdiff_t>(i * captures.size()),
                               scores.begin() + static_cast<std::ptrdiff_t>((i + 1) * captures.size()), 0.0f);
    };
    size_t best = 0;
    for (size_t i = 1; i < captures.size(); ++i) {
        if (agreement(i) > agreement(best) ||
            (agreement(i) == agreement(best) && captures[i].minutiae.size() > captures[best].minutiae.size())) {
            best = i;
        }
    }
    std::vector<size_t> kept{best};
    std::vector<size_t> others(captures.size());
    std::iota(others.begin(), others.end(), 0);
    std::sort(others.begin(), others.end(), [&](size_t a, size_t b) {
        return scores[a * captures.size() + best] > scores[b * captures.size() + best];
    });
    for (const size_t i : others) {
        if (i != best && kept.size() < kMaxViews && Matches(scores[i * captures.size() + best])) kept.push_back(i);
    }

    Template enrolled;
    for (size_t view = 0; view < kept.size(); ++view) {
        const Template &capture = captures[kept[view]];
        enrolled.width = std::max(enrolled.width, capture.width);
        enrolled.height = std::max(enrolled.height, capture.height);
        for (Minutia m : capture.minutiae) {
            m.view = static_cast<uint8_t>(view);
            enrolled.minutiae.push_back(m);
        }
    }
    FitToTemplateFile(&enrolled);
    return enrolled;
}

}  // namespace fingermatch
