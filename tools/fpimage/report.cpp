#include "report.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "path_fit.h"

namespace fpkey {
namespace {

std::string Fixed(double value, int decimals) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string Spacing(const Summary &s) { return s.medianSpacing ? Fixed(*s.medianSpacing, 2) + " px" : "-"; }
std::string Broken(const Summary &s) { return s.broken ? (*s.broken ? "yes" : "no") : "-"; }
std::string Complexity(const Summary &s) { return s.complexity ? Fixed(*s.complexity, 1) : "-"; }
std::string Size(const Summary &s) { return std::to_string(s.width) + " x " + std::to_string(s.height); }

template <typename T>
nlohmann::json OrNull(const std::optional<T> &value) {
    return value ? nlohmann::json(*value) : nlohmann::json(nullptr);
}

std::string Pad(const std::string &text, size_t width) {
    return text.size() >= width ? text + ' ' : text + std::string(width - text.size(), ' ');
}

}  // namespace

Summary Summarize(const Analysis &a) {
    return {a.height,        a.width,         a.threshold, a.foregroundShare, a.meanQuality,
            a.lowestQuality, a.medianSpacing, a.broken,    a.complexity};
}

nlohmann::json RunJson(const std::vector<ImageOutcome> &outcomes) {
    nlohmann::json images = nlohmann::json::array();
    int failed = 0;
    for (const ImageOutcome &o : outcomes) {
        nlohmann::json image{{"path", o.path}, {"ok", o.summary.has_value()}};
        if (!o.summary) {
            ++failed;
            image["error"] = o.error;
            images.push_back(image);
            continue;
        }
        const Summary &s = *o.summary;
        image["height"] = s.height;
        image["width"] = s.width;
        image["threshold"] = s.threshold;
        image["foreground_share"] = s.foregroundShare;
        image["quality_mean"] = s.meanQuality;
        image["quality_lowest"] = s.lowestQuality;
        image["median_ridge_spacing_px"] = OrNull(s.medianSpacing);
        image["broken"] = OrNull(s.broken);
        image["complexity"] = OrNull(s.complexity);
        image["pictures"] = o.pictures;
        images.push_back(image);
    }
    return {{"ok", failed == 0}, {"failed", failed}, {"images", images}};
}

std::string DescribeImage(const ImageOutcome &o) {
    std::ostringstream out;
    out << "image              " << o.path << '\n';
    if (!o.summary) {
        out << "error              " << o.error << '\n';
        return out.str();
    }
    const Summary &s = *o.summary;
    out << "size               " << Size(s) << '\n'
        << "threshold          " << s.threshold << '\n'
        << "foreground         " << Fixed(100.0 * s.foregroundShare, 1) << " %\n"
        << "block quality      mean " << Fixed(s.meanQuality, 1) << ", lowest " << s.lowestQuality << '\n'
        << "ridge spacing      " << Spacing(s) << " (median)\n"
        << "broken             " << Broken(s) << '\n'
        << "complexity         " << Complexity(s) << '\n';
    for (const auto &[kind, file] : o.pictures) out << "picture            " << Pad(kind, 12) << file << '\n';
    return out.str();
}

std::string SummaryTable(const std::vector<ImageOutcome> &outcomes) {
    size_t nameWidth = 5;
    for (const ImageOutcome &o : outcomes) nameWidth = std::max(nameWidth, o.path.size());
    nameWidth = std::min<size_t>(nameWidth, 48) + 2;
    std::ostringstream out;
    out << Pad("IMAGE", nameWidth) << Pad("SIZE", 12) << Pad("THRESH", 8) << Pad("FG %", 7) << Pad("Q MEAN", 8)
        << Pad("Q LOW", 7) << Pad("SPACING", 10) << Pad("BROKEN", 8) << "COMPLEXITY\n";
    for (const ImageOutcome &o : outcomes) {
        out << Pad(FitPath(o.path, nameWidth - 2), nameWidth);
        if (!o.summary) {
            out << "failed: " << o.error << '\n';
            continue;
        }
        const Summary &s = *o.summary;
        out << Pad(Size(s), 12) << Pad(std::to_string(s.threshold), 8) << Pad(Fixed(100.0 * s.foregroundShare, 1), 7)
            << Pad(Fixed(s.meanQuality, 1), 8) << Pad(std::to_string(s.lowestQuality), 7) << Pad(Spacing(s), 10)
            << Pad(Broken(s), 8) << Complexity(s) << '\n';
    }
    return out.str();
}

std::string SheetHeading(const std::string &name, const Summary &s) {
    return std::filesystem::path(name).filename().string() + "  " + Size(s) + "  FG " +
           Fixed(100.0 * s.foregroundShare, 0) + "%  Q " + Fixed(s.meanQuality, 0) + "  SPACING " + Spacing(s) +
           "  BROKEN " + Broken(s);
}

}  // namespace fpkey
