// Comparison of prepared templates, for callers that compare one probe with
// many templates (identification, evaluation) and prepare each once.
#ifndef FINGERMATCH_COMPARISON_H
#define FINGERMATCH_COMPARISON_H

#include <vector>

#include "fingermatch/cylinder_code.h"
#include "fingermatch/minutia.h"

namespace fingermatch {

// A template ready for comparison: each of its captures (views) prepared.
// Preparing is most of the work of a comparison, so a probe compared with
// many templates is prepared once.
struct PreparedTemplate {
    std::vector<PreparedView> views;
};

PreparedTemplate Prepare(const Template &features);

// The same score as Compare on the templates the two were prepared from.
float ComparePrepared(const PreparedTemplate &probe, const PreparedTemplate &candidate);

}  // namespace fingermatch

#endif
