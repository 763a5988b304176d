// fingermatch_evaluate: the FVC protocol over folders of scans, with the
// extraction and comparison the simulated key runs; prints the figures of
// each data set. bench/README.md records them for the shared scans.
//
//   fingermatch_evaluate [--dpi SET=N]... [--scores FILE] FOLDER...
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "fingermatch/evaluation/fvc_protocol.h"
#include "fingermatch/fingermatch.h"

namespace {

int Usage() {
    std::cerr << "usage: fingermatch_evaluate [--dpi SET=N]... [--scores FILE] FOLDER...\n";
    return 2;
}

void WriteScores(const std::string &path, const std::vector<fingermatch::DataSetFigures> &figures) {
    std::ofstream out(path);
    out << "set,kind,score\n";
    for (const auto &f : figures) {
        for (const float s : f.genuineScores) out << f.set << ",genuine," << s << "\n";
        for (const float s : f.impostorScores) out << f.set << ",impostor," << s << "\n";
    }
}

}  // namespace

int main(int argc, char **argv) {
    std::vector<std::filesystem::path> folders;
    fingermatch::EvaluationOptions options;
    std::string scoresPath;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--dpi" && i + 1 < argc) {
            const std::string value = argv[++i];
            const size_t equals = value.find('=');
            if (equals == std::string::npos) return Usage();
            options.resolutionBySet[value.substr(0, equals)] = std::atoi(value.c_str() + equals + 1);
        } else if (argument == "--scores" && i + 1 < argc) {
            scoresPath = argv[++i];
        } else if (!argument.empty() && argument[0] == '-') {
            return Usage();
        } else {
            folders.emplace_back(argument);
        }
    }
    if (folders.empty()) return Usage();
    if (isatty(STDERR_FILENO)) {
        options.progress = [](size_t done, size_t total) {
            if (done % 50 == 0 || done == total) std::fprintf(stderr, "\r%zu / %zu", done, total);
            if (done == total) std::fprintf(stderr, "\n");
        };
    }
    std::vector<fingermatch::DataSetFigures> figures;
    std::string error;
    if (!fingermatch::EvaluateFvc(folders, options, &figures, &error)) {
        std::cerr << "fingermatch_evaluate: " << error << "\n";
        return 1;
    }
    std::printf("threshold %.3f\n", static_cast<double>(fingermatch::kMatchThreshold));
    std::printf("%-16s %6s %7s %6s %8s %8s %7s %7s %7s %7s %9s %10s %10s\n", "set", "images", "fingers", "fail",
                "genuine", "impostor", "FMR", "FNMR", "EER", "FNMR1%", "FNMR0.1%", "ms/extract", "ms/compare");
    for (const auto &f : figures) {
        std::printf("%-16s %6d %7d %6d %8zu %8zu %6.2f%% %6.2f%% %6.2f%% %6.2f%% %8.2f%% %10.2f %10.3f\n",
                    f.set.c_str(), f.images, f.fingers, f.enrolmentFailures, f.genuineScores.size(),
                    f.impostorScores.size(), 100 * f.falseMatchAtThreshold, 100 * f.falseNonMatchAtThreshold,
                    100 * f.equalErrorRate, 100 * f.falseNonMatchAtOnePercent, 100 * f.falseNonMatchAtOnePerThousand,
                    f.meanExtractionMs, f.meanComparisonMs);
    }
    if (!scoresPath.empty()) WriteScores(scoresPath, figures);
    return 0;
}
