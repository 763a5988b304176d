#include "fingermatch/evaluation/fvc_protocol.h"

#include <algorithm>
#include <chrono>
#include <cctype>

#include "fingermatch/evaluation/error_rates.h"
#include "fingermatch/fingermatch.h"
#include "gray_image.h"

namespace fingermatch {

namespace {

struct Scan {
    ScanName name;
    std::filesystem::path path;
    std::optional<Template> features;  // none when extraction refused the scan
};

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration elapsed) { return std::chrono::duration<double, std::milli>(elapsed).count(); }

bool ListScans(const std::vector<std::filesystem::path> &folders, std::map<std::string, std::vector<Scan>> *sets,
               std::string *error) {
    for (const auto &folder : folders) {
        std::error_code code;
        std::filesystem::directory_iterator entries(folder, code);
        if (code) {
            *error = "cannot read the folder " + folder.string() + ": " + code.message();
            return false;
        }
        for (const auto &entry : entries) {
            if (!entry.is_regular_file()) continue;
            const std::optional<ScanName> name = ParseScanName(entry.path().filename().string());
            if (name) (*sets)[name->set].push_back({*name, entry.path(), std::nullopt});
        }
    }
    if (sets->empty()) {
        *error = "no scan named <set>_<finger>_<impression>.pgm or .png in the folders given";
        return false;
    }
    for (auto &[set, scans] : *sets) {
        std::sort(scans.begin(), scans.end(), [](const Scan &a, const Scan &b) {
            return std::tie(a.name.finger, a.name.impression) < std::tie(b.name.finger, b.name.impression);
        });
    }
    return true;
}

}  // namespace

std::optional<ScanName> ParseScanName(const std::string &fileName) {
    const size_t dot = fileName.rfind('.');
    if (dot == std::string::npos) return std::nullopt;
    std::string extension = fileName.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    if (extension != "pgm" && extension != "png") return std::nullopt;
    const std::string stem = fileName.substr(0, dot);
    const size_t second = stem.rfind('_');
    if (second == std::string::npos || second == 0) return std::nullopt;
    const size_t first = stem.rfind('_', second - 1);
    if (first == std::string::npos || first == 0) return std::nullopt;
    const std::string finger = stem.substr(first + 1, second - first - 1);
    const std::string impression = stem.substr(second + 1);
    const auto allDigits = [](const std::string &text) {
        return !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
    };
    if (!allDigits(finger) || !allDigits(impression) || impression.size() > 6) return std::nullopt;
    return ScanName{stem.substr(0, first), finger, std::stoi(impression)};
}

int KnownResolution(const std::string &set) {
    std::string lower = set;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    // FVC2002 DB2 was taken with an optical scanner of 569 dpi, FVC2004 DB3
    // with a thermal sweep sensor of 512 dpi; the other sets are 500 dpi.
    if (lower.starts_with("fvc2002_db2")) return 569;
    if (lower.starts_with("fvc2004_db3")) return 512;
    return kStandardResolution;
}

bool EvaluateFvc(const std::vector<std::filesystem::path> &folders, const EvaluationOptions &options,
                 std::vector<DataSetFigures> *figures, std::string *error) {
    std::map<std::string, std::vector<Scan>> sets;
    if (!ListScans(folders, &sets, error)) return false;
    size_t total = 0;
    for (const auto &[set, scans] : sets) {
        const size_t n = scans.size();
        total += n + n * (n - 1) / 2;
    }
    size_t done = 0;
    const auto step = [&]() {
        ++done;
        if (options.progress) options.progress(done, total);
    };

    figures->clear();
    for (auto &[set, scans] : sets) {
        DataSetFigures f;
        f.set = set;
        f.images = static_cast<int>(scans.size());
        const auto resolution = options.resolutionBySet.find(set);
        const int dpi = resolution != options.resolutionBySet.end() ? resolution->second : KnownResolution(set);
        double extractionMs = 0.0;
        std::vector<std::string> fingers;
        for (Scan &scan : scans) {
            fpkey::GrayImage read;
            if (!fpkey::ReadGrayImage(scan.path.string(), &read, error)) return false;
            GrayImage image{read.height, read.width, dpi, std::move(read.pixels)};
            const auto start = Clock::now();
            ExtractResult result = Extract(image);
            extractionMs += Milliseconds(Clock::now() - start);
            if (result.status == ExtractStatus::kOk) {
                scan.features = std::move(result.features);
            } else {
                ++f.enrolmentFailures;
            }
            fingers.push_back(scan.name.finger);
            step();
        }
        std::sort(fingers.begin(), fingers.end());
        f.fingers = static_cast<int>(std::unique(fingers.begin(), fingers.end()) - fingers.begin());
        f.meanExtractionMs = extractionMs / static_cast<double>(scans.size());

        double comparisonMs = 0.0;
        size_t comparisons = 0;
        for (size_t i = 0; i < scans.size(); ++i) {
            for (size_t j = i + 1; j < scans.size(); ++j) {
                float score = 0.0f;
                if (scans[i].features && scans[j].features) {
                    const auto start = Clock::now();
                    score = Compare(*scans[i].features, *scans[j].features);
                    comparisonMs += Milliseconds(Clock::now() - start);
                    ++comparisons;
                }
                (scans[i].name.finger == scans[j].name.finger ? f.genuineScores : f.impostorScores).push_back(score);
                step();
            }
        }
        f.meanComparisonMs = comparisons == 0 ? 0.0 : comparisonMs / static_cast<double>(comparisons);
        const ScoreDistributions distributions(f.genuineScores, f.impostorScores);
        const ErrorRates atThreshold = distributions.At(kMatchThreshold);
        f.falseMatchAtThreshold = atThreshold.falseMatch;
        f.falseNonMatchAtThreshold = atThreshold.falseNonMatch;
        f.equalErrorRate = distributions.EqualErrorRate();
        f.falseNonMatchAtOnePercent = distributions.FalseNonMatchAt(0.01);
        f.falseNonMatchAtOnePerThousand = distributions.FalseNonMatchAt(0.001);
        figures->push_back(std::move(f));
    }
    return true;
}

}  // namespace fingermatch
