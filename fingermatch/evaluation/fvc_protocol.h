// The protocol of the Fingerprint Verification Competitions over folders of
// scans named <set>_<finger>_<impression>.pgm or .png: every pair of
// impressions of one finger is a genuine comparison, every pair of
// impressions of two different fingers of a set an impostor comparison.
// It runs the same extraction and comparison the simulated key runs.
#ifndef FINGERMATCH_EVALUATION_FVC_PROTOCOL_H
#define FINGERMATCH_EVALUATION_FVC_PROTOCOL_H

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace fingermatch {

struct ScanName {
    std::string set;  // everything before the finger number
    std::string finger;
    int impression = 0;
};

// The parts of a scan's file name, or nothing for a file of another name.
std::optional<ScanName> ParseScanName(const std::string &fileName);

// The resolution of the scans of a set when nobody says otherwise: the
// published one for the public sets scanned at other than 500 dpi.
int KnownResolution(const std::string &set);

struct DataSetFigures {
    std::string set;
    int images = 0;
    int fingers = 0;
    int enrolmentFailures = 0;  // scans the extractor refused; their comparisons count as non-matches
    std::vector<float> genuineScores;
    std::vector<float> impostorScores;
    double falseMatchAtThreshold = 0.0;
    double falseNonMatchAtThreshold = 0.0;
    double equalErrorRate = 0.0;
    double falseNonMatchAtOnePercent = 0.0;      // at a false-match rate of at most 1 %
    double falseNonMatchAtOnePerThousand = 0.0;  // ... of at most 0.1 %
    double meanExtractionMs = 0.0;
    double meanComparisonMs = 0.0;  // including the preparation of both templates
};

struct EvaluationOptions {
    std::map<std::string, int> resolutionBySet;               // overrides KnownResolution
    std::function<void(size_t done, size_t total)> progress;  // called after each step
};

// Figures per set, in the order of the set names. False with a sentence for
// people in *error when a folder cannot be read, a scan cannot be read, or
// no scan is named as the protocol wants.
bool EvaluateFvc(const std::vector<std::filesystem::path> &folders, const EvaluationOptions &options,
                 std::vector<DataSetFigures> *figures, std::string *error);

}  // namespace fingermatch

#endif
