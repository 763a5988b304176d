// The picture of an evaluation: the DET curve of each data set (false
// non-matches against false matches, both on log scales) beside the
// histograms of its genuine and impostor scores.
#ifndef FPKEY_SCORE_PLOT_H
#define FPKEY_SCORE_PLOT_H

#include <string>
#include <vector>

#include "fingermatch/evaluation/fvc_protocol.h"

namespace fpkey {

// Writes the picture as PNG; false with a sentence in *error when it cannot.
bool WriteScorePlot(const std::string &path, const std::vector<fingermatch::DataSetFigures> &figures,
                    std::string *error);

}  // namespace fpkey

#endif
