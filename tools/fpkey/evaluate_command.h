// sim evaluate: the FVC protocol over folders of scans with the key's own
// extraction and comparison, its error rates and times per data set.
#ifndef FPKEY_EVALUATE_COMMAND_H
#define FPKEY_EVALUATE_COMMAND_H

#include "cli.h"

namespace fpkey {

void AddEvaluateCommand(CLI::App &sim, Cli &cli);

}  // namespace fpkey

#endif
