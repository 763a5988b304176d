// fpimage: what the image library sees in fingerprint images.
#include <CLI/CLI.hpp>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <set>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "image_run.h"
#include "progress.h"
#include "report.h"

namespace {

// One image at a time per processor core this process may run on.
int DefaultJobs() {
    cpu_set_t cores;
    if (sched_getaffinity(0, sizeof cores, &cores) == 0 && CPU_COUNT(&cores) > 0) return CPU_COUNT(&cores);
    const unsigned online = std::thread::hardware_concurrency();
    return online > 0 ? static_cast<int>(online) : 1;
}

struct AnalyzeOptions {
    std::vector<std::string> images;
    std::string outDir;
    bool json = false;
    uint64_t maxPixels = fpkey::kDefaultMaxPixels;
    int jobs = DefaultJobs();
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
    std::set<std::string> used;
    std::vector<std::string> stems;
    for (const std::string &path : options.images) stems.push_back(UniqueStem(path, &used));
    int done = 0;
    fpkey::BatchEvents events;
    if (total > 1) {
        events.started = [&](size_t index) { progress.Starting(done, options.images[index]); };
    }
    events.finished = [&](size_t index, const fpkey::ImageOutcome &outcome) {
        ++done;
        if (total > 1) {
            progress.Finished(done, options.images[index], outcome.summary ? std::string() : outcome.error);
        } else if (!outcome.summary && !options.json) {
            std::cerr << "fpimage: " << options.images[index] << ": " << outcome.error << '\n';
        }
    };
    const auto start = std::chrono::steady_clock::now();
    const std::vector<fpkey::ImageOutcome> outcomes =
        fpkey::AnalyzeFiles(options.images, stems, options.outDir, options.maxPixels, options.jobs, events);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    bool failed = false;
    for (const fpkey::ImageOutcome &outcome : outcomes) failed = failed || !outcome.summary;
    if (total > 1) {
        progress.End();
        std::fprintf(stderr, "fpimage: %d images in %.2f s, %.1f images per second (%d at a time)\n", total,
                     elapsed.count(), total / std::max(elapsed.count(), 1e-9), std::min(options.jobs, total));
    }
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
    analyze
        ->add_option(
            "-j,--jobs", options.jobs,
            "Analyse this many images at a time (default: the number of cores, " + std::to_string(options.jobs) + ")")
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
