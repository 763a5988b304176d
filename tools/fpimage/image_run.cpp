#include "image_run.h"

#include <filesystem>
#include <new>
#include <system_error>

#include "gray_image.h"
#include "minutiae_picture.h"
#include "pictures.h"

namespace fpkey {
namespace {

// Writes beside the target and renames, so that a failed write never
// leaves a half-written picture under the final name.
bool WritePicture(const std::filesystem::path &target, const Canvas &canvas, std::string *error) {
    std::filesystem::path partial = target;
    partial += ".partial";
    if (!WritePng(partial.string(), canvas.height(), canvas.width(), 3, canvas.samples().data(), error)) {
        std::error_code ignored;
        std::filesystem::remove(partial, ignored);
        return false;
    }
    std::error_code renamed;
    std::filesystem::rename(partial, target, renamed);
    if (renamed) {
        *error = "cannot write " + target.string() + ": " + renamed.message();
        std::error_code ignored;
        std::filesystem::remove(partial, ignored);
        return false;
    }
    return true;
}

}  // namespace

ImageOutcome AnalyzeFile(const std::string &path, const std::string &outDir, const std::string &stem,
                         uint64_t maxPixels) {
    ImageOutcome outcome;
    outcome.path = path;
    try {
        GrayImage image;
        Analysis analysis;
        if (!ReadGrayImage(path, &image, &outcome.error, maxPixels) || !Analyze(image, &analysis, &outcome.error)) {
            return outcome;
        }
        const Summary summary = Summarize(analysis);
        if (!outDir.empty()) {
            const Canvas minutiae = MinutiaePicture(image, ExtractMinutiae(image));
            const std::pair<const char *, Canvas> pictures[] = {
                {"mask", MaskPicture(image, analysis)},
                {"orientation", OrientationPicture(image, analysis)},
                {"spacing", SpacingPicture(image, analysis)},
                {"quality", QualityPicture(image, analysis)},
                {"minutiae", minutiae},
                {"overview", OverviewSheet(image, analysis, SheetHeading(path, summary), &minutiae)},
            };
            for (const auto &[kind, canvas] : pictures) {
                const std::filesystem::path file = std::filesystem::path(outDir) / (stem + "_" + kind + ".png");
                if (!WritePicture(file, canvas, &outcome.error)) return outcome;
                outcome.pictures[kind] = file.string();
            }
        }
        outcome.summary = summary;
    } catch (const std::bad_alloc &) {
        outcome.pictures.clear();
        outcome.error = "out of memory";
    }
    return outcome;
}

}  // namespace fpkey
