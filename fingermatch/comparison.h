// Comparison of prepared templates, for callers that compare one probe with
// many templates (identification, evaluation) and prepare each once.
#ifndef FINGERMATCH_COMPARISON_H
#define FINGERMATCH_COMPARISON_H

#include "fingermatch/cylinder_code.h"

namespace fingermatch {

// The same score as Compare on the templates the two were prepared from.
float ComparePrepared(const PreparedTemplate &probe, const PreparedTemplate &candidate);

}  // namespace fingermatch

#endif
