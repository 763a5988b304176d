#include "evaluate_command.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>

#include "fingermatch/evaluation/fvc_protocol.h"
#include "fingermatch/fingermatch.h"
#include "score_plot.h"

namespace fpkey {
namespace {

constexpr int kBarWidth = 40;

void ShowProgress(size_t done, size_t total) {
    if (total == 0) return;
    const int filled = static_cast<int>(done * kBarWidth / total);
    std::fprintf(stderr, "\r[%-*.*s] %zu / %zu", kBarWidth, filled, "########################################", done,
                 total);
    if (done == total) std::fprintf(stderr, "\r%*s\r", kBarWidth + 30, "");
    std::fflush(stderr);
}

std::string Percent(double rate) {
    char text[16];
    std::snprintf(text, sizeof text, "%6.2f%%", 100 * rate);
    return text;
}

nlohmann::json FiguresJson(const fingermatch::DataSetFigures &f) {
    return {{"set", f.set},
            {"images", f.images},
            {"fingers", f.fingers},
            {"enrolment_failures", f.enrolmentFailures},
            {"genuine_comparisons", f.genuineScores.size()},
            {"impostor_comparisons", f.impostorScores.size()},
            {"false_match_rate", f.falseMatchAtThreshold},
            {"false_non_match_rate", f.falseNonMatchAtThreshold},
            {"equal_error_rate", f.equalErrorRate},
            {"false_non_match_at_false_match_1_percent", f.falseNonMatchAtOnePercent},
            {"false_non_match_at_false_match_0_1_percent", f.falseNonMatchAtOnePerThousand},
            {"mean_extraction_ms", f.meanExtractionMs},
            {"mean_comparison_ms", f.meanComparisonMs}};
}

}  // namespace

void AddEvaluateCommand(CLI::App &sim, Cli &cli) {
    static std::vector<std::string> folders;
    static std::string plotPath;
    auto *evaluate = sim.add_subcommand(
        "evaluate", "Error rates and times of the key's matcher over scans named <set>_<finger>_<impression>.pgm|png");
    evaluate->add_option("folders", folders, "Folders of scans")->required()->check(CLI::ExistingDirectory);
    evaluate->add_option("--plot", plotPath, "Write DET curves and score histograms to this PNG file");
    evaluate->callback(cli.Action(
        [&cli] {
            fingermatch::EvaluationOptions options;
            if (!cli.json && isatty(STDERR_FILENO)) options.progress = ShowProgress;
            std::vector<fingermatch::DataSetFigures> figures;
            std::string error;
            if (!fingermatch::EvaluateFvc({folders.begin(), folders.end()}, options, &figures, &error)) {
                throw UsageFailure{error};
            }
            char line[256];
            std::snprintf(line, sizeof line, "threshold %.3f", static_cast<double>(fingermatch::kMatchThreshold));
            cli.Say(line);
            std::snprintf(line, sizeof line, "%-16s %6s %7s %6s %8s %8s %7s %7s %7s %7s %8s %10s %10s", "set", "images",
                          "fingers", "fail", "genuine", "impostor", "FMR", "FNMR", "EER", "FNMR1%", "FNMR.1%",
                          "ms/extract", "ms/compare");
            cli.Say(line);
            nlohmann::json sets = nlohmann::json::array();
            for (const auto &f : figures) {
                std::snprintf(line, sizeof line, "%-16s %6d %7d %6d %8zu %8zu %s %s %s %s %s %10.2f %10.3f",
                              f.set.c_str(), f.images, f.fingers, f.enrolmentFailures, f.genuineScores.size(),
                              f.impostorScores.size(), Percent(f.falseMatchAtThreshold).c_str(),
                              Percent(f.falseNonMatchAtThreshold).c_str(), Percent(f.equalErrorRate).c_str(),
                              Percent(f.falseNonMatchAtOnePercent).c_str(),
                              Percent(f.falseNonMatchAtOnePerThousand).c_str(), f.meanExtractionMs, f.meanComparisonMs);
                cli.Say(line);
                sets.push_back(FiguresJson(f));
            }
            // The float's own digits, not its binary expansion.
            cli.Result()["threshold"] = std::round(static_cast<double>(fingermatch::kMatchThreshold) * 1e6) / 1e6;
            cli.Result()["sets"] = sets;
            if (!plotPath.empty()) {
                if (!WriteScorePlot(plotPath, figures, &error)) throw UsageFailure{error};
                cli.Result()["plot"] = plotPath;
                cli.Say("DET curves and score histograms in " + plotPath);
            }
        },
        KeyShare::direct));
}

}  // namespace fpkey
