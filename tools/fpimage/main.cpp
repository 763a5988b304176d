// fpimage: what the image library sees in fingerprint images.
#include <CLI/CLI.hpp>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "image_run.h"
#include "progress.h"
#include "report.h"

namespace {

struct AnalyzeOptions {
    std::vector<std::string> images;
    std::string outDir;
    bool json = false;
    uint64_t maxPixels = fpkey::kDefaultMaxPixels;
};

// Picture names from the file's stem, made unique within one run (two
// inputs called a/f.png and b/f.png would otherwise overwrite each other).
std::string UniqueStem(const std::string &path, std::set<std::string> *used) {
    std::string stem = std::filesystem::path(path).stem().string();
    if (stem.empty()) stem = "image";
    std::string candidate = stem;
    for (int n = 2; !used->insert(candidate).second; ++n) candidate = stem + "-" + std::to_string(n);
    return candidate;
}

// 0 when every image was analysed, 1 when any failed, 2 when the output
// directory is unusable.
int RunAnalyze(const AnalyzeOptions &options) {
    if (!options.outDir.empty()) {
        std::error_code error;
        std::filesystem::create_directories(options.outDir, error);
        if (!std::filesystem::is_directory(options.outDir)) {
            std::cerr << "fpimage: " << options.outDir << ": cannot use as output directory"
                      << (error ? ": " + error.message() : std::string()) << '\n';
            return 2;
        }
    }
    const int total = static_cast<int>(options.images.size());
    // A single image needs no progress report; its errors still go to stderr.
    fpkey::Progress progress(stderr, isatty(STDERR_FILENO) != 0, total);
    std::vector<fpkey::ImageOutcome> outcomes;
    std::set<std::string> stems;
    bool failed = false;
    for (int i = 0; i < total; ++i) {
        const std::string &path = options.images[static_cast<size_t>(i)];
        if (total > 1) progress.Starting(i, path);
        outcomes.push_back(fpkey::AnalyzeFile(path, options.outDir, UniqueStem(path, &stems), options.maxPixels));
        const fpkey::ImageOutcome &outcome = outcomes.back();
        failed = failed || !outcome.summary;
        if (total > 1) {
            progress.Finished(i + 1, path, outcome.summary ? std::string() : outcome.error);
        } else if (!outcome.summary && !options.json) {
            std::cerr << "fpimage: " << path << ": " << outcome.error << '\n';
        }
    }
    if (total > 1) progress.End();
    if (options.json) {
        std::cout << fpkey::RunJson(outcomes).dump(2) << '\n';
    } else if (total == 1) {
        if (outcomes.front().summary) std::cout << fpkey::DescribeImage(outcomes.front());
    } else {
        std::cout << fpkey::SummaryTable(outcomes);
    }
    return failed ? 1 : 0;
}

}  // namespace

int main(int argc, char **argv) {
    CLI::App app{"fpimage: foreground, orientation, ridge spacing and quality of fingerprint images"};
    app.require_subcommand(1);
    AnalyzeOptions options;
    int status = 0;
    auto *analyze = app.add_subcommand("analyze", "Analyse 8-bit gray images (PNG or binary PGM)");
    analyze->add_option("images", options.images, "Image files")->required();
    analyze->add_option(
        "-o,--out", options.outDir,
        "Write the pictures (mask, orientation, spacing, quality, minutiae, overview) as PNG files here");
    analyze->add_flag("--json", options.json, "Print one JSON object instead of text");
    analyze
        ->add_option("--max-pixels", options.maxPixels,
                     "Refuse images of more pixels than this before reading them (default " +
                         std::to_string(fpkey::kDefaultMaxPixels) + ")")
        ->check(CLI::PositiveNumber);
    analyze->callback([&] { status = RunAnalyze(options); });
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError &error) {
        // Help exits 0; any mistake on the command line is 2.
        return app.exit(error) == 0 ? 0 : 2;
    }
    return status;
}
