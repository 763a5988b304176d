// What fpimage tells about each image: a few lines or a table for people,
// one JSON object for scripts.
#ifndef FPKEY_TOOLS_FPIMAGE_REPORT_H
#define FPKEY_TOOLS_FPIMAGE_REPORT_H

#include <nlohmann/json.hpp>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "analysis.h"

namespace fpkey {

// The numbers of an analysis, without its maps.
struct Summary {
    int height = 0;
    int width = 0;
    int threshold = 0;
    double foregroundShare = 0.0;
    double meanQuality = 0.0;
    int lowestQuality = 0;
    std::optional<double> medianSpacing;
    std::optional<bool> broken;
    std::optional<double> complexity;
};

Summary Summarize(const Analysis &analysis);

// One image of a run: its numbers and pictures, or why it failed.
struct ImageOutcome {
    std::string path;
    std::optional<Summary> summary;
    std::string error;
    // Picture kind ("mask", "orientation", "spacing", "quality", "overview")
    // to the file written.
    std::map<std::string, std::string> pictures;
};

// A run's result: {"ok", "failed", "images": [...]}; every number of an
// image is null where the analysis has no value for it.
nlohmann::json RunJson(const std::vector<ImageOutcome> &outcomes);

// The summary of one image as labelled lines.
std::string DescribeImage(const ImageOutcome &outcome);

// One row per image (failed ones with their reason), with a header.
std::string SummaryTable(const std::vector<ImageOutcome> &outcomes);

// The heading of an overview sheet: the file name and the key numbers.
std::string SheetHeading(const std::string &name, const Summary &summary);

}  // namespace fpkey

#endif
