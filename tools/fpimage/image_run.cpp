#include "image_run.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <filesystem>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <utility>

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

std::vector<ImageOutcome> AnalyzeFiles(const std::vector<std::string> &paths, const std::vector<std::string> &stems,
                                       const std::string &outDir, uint64_t maxPixels, int jobs,
                                       const BatchEvents &events) {
    const size_t total = paths.size();
    std::vector<ImageOutcome> outcomes(total);
    // Workers take the next image and post what happened; this thread alone
    // reports it. An event is (image, finished).
    std::mutex mutex;
    std::condition_variable posted;
    std::vector<std::pair<size_t, bool>> pending;
    size_t next = 0;
    // An exception other than running out of memory fails its image only.
    auto analyze = [&](size_t index) {
        try {
            return AnalyzeFile(paths[index], outDir, stems[index], maxPixels);
        } catch (const std::exception &error) {
            ImageOutcome outcome;
            outcome.path = paths[index];
            outcome.error = error.what();
            return outcome;
        }
    };
    auto work = [&] {
        for (;;) {
            size_t index = 0;
            {
                const std::lock_guard lock(mutex);
                if (next == total) return;
                index = next++;
                pending.emplace_back(index, false);
            }
            posted.notify_one();
            ImageOutcome outcome = analyze(index);
            {
                const std::lock_guard lock(mutex);
                outcomes[index] = std::move(outcome);
                pending.emplace_back(index, true);
            }
            posted.notify_one();
        }
    };
    std::vector<std::thread> workers;
    const size_t wanted = jobs < 1 ? 1 : std::min(static_cast<size_t>(jobs), total);
    try {
        while (wanted > 1 && workers.size() < wanted) workers.emplace_back(work);
    } catch (const std::system_error &) {
        // Fewer threads than asked for still finish the batch.
    }
    if (workers.empty()) {
        for (size_t index = 0; index < total; ++index) {
            if (events.started) events.started(index);
            outcomes[index] = analyze(index);
            if (events.finished) events.finished(index, outcomes[index]);
        }
        return outcomes;
    }
    size_t finished = 0;
    std::vector<std::pair<size_t, bool>> seen;
    while (finished < total) {
        {
            std::unique_lock lock(mutex);
            posted.wait(lock, [&] { return !pending.empty(); });
            seen.swap(pending);
        }
        for (const auto &[index, done] : seen) {
            if (done) {
                ++finished;
                if (events.finished) events.finished(index, outcomes[index]);
            } else if (events.started) {
                events.started(index);
            }
        }
        seen.clear();
    }
    for (std::thread &worker : workers) worker.join();
    return outcomes;
}

}  // namespace fpkey
