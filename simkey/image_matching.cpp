#include "simkey/image_matching.h"

#include <algorithm>

#include "fingermatch/comparison.h"
#include "fingermatch/template_format.h"
#include "simkey/status_words.h"
#include "simkey/virtual_finger.h"

namespace simkey {
namespace {

void clearFeatureSlots(KeyState &key) {
    key.featureSlots.fill(std::nullopt);
    for (auto &slot : key.imageSlots) {
        slot.clear();
    }
}

}  // namespace

std::optional<SensedImage> captureImageFinger(CardContext &card) {
    auto &download = card.image;
    if (!download.pixels.empty() && !download.sensed) {
        download.sensed = true;
        fingermatch::GrayImage image;
        image.height = static_cast<int>(std::min<uint64_t>(download.lines, INT32_MAX));
        image.width = static_cast<int>(std::min<uint64_t>(download.lineBytes, INT32_MAX));
        image.pixels = download.pixels;
        return senseImage(image);
    }
    if (card.key.fingerOnSensor) {
        return std::nullopt;
    }
    return card.key.imageOnSensor;
}

Answer extractImageFinger(KeyState &key, size_t slot) {
    const SensedImage &captured = *key.capturedImage;
    key.featureSlots[slot].reset();
    key.imageSlots[slot].clear();
    if (captured.status != fingermatch::ExtractStatus::kOk) {
        return Answer::withStatus(extractionStatusWord(captured.status));
    }
    key.imageSlots[slot] = captured.features;
    const auto minutiae = static_cast<uint8_t>(std::clamp(captured.figures.minutiae, 0, 255));
    return Answer::success({minutiae, captured.figures.quality});
}

Answer enrolImageFinger(KeyState &key, std::vector<uint8_t> &file, const Command &command) {
    const bool complete =
        std::all_of(key.imageSlots.begin(), key.imageSlots.end(), [](const auto &slot) { return !slot.empty(); });
    const bool mixed = std::any_of(key.featureSlots.begin(), key.featureSlots.end(),
                                   [](const auto &slot) { return slot.has_value(); });
    if (!complete && !mixed) {
        return Answer::withStatus(SW_IMAGE_NOT_AVAILABLE);
    }
    // Either way the three extractions are used up: the next enrolment starts over.
    const auto enrolled = mixed ? std::nullopt : enrolImageTemplate(key.imageSlots);
    clearFeatureSlots(key);
    if (!enrolled) {
        return Answer::withStatus(SW_ENROLL_FAILED);
    }
    if (enrolled->size() > file.size()) {
        return Answer::withStatus(SW_NOT_ENOUGH_MEMORY);
    }
    std::fill(file.begin(), file.end(), uint8_t{0});
    std::copy(enrolled->begin(), enrolled->end(), file.begin());
    return Answer::success({command.p1, command.p2});
}

std::optional<size_t> bestImageMatch(const KeyState &key, const std::vector<IndexEntry> &candidates) {
    const auto probe = fingermatch::Parse(key.imageSlots[0]);
    if (!probe) {
        return std::nullopt;
    }
    const auto preparedProbe = fingermatch::Prepare(*probe);
    size_t best = candidates.size();
    float bestScore = 0.0f;
    bool unreadable = false;
    for (size_t i = 0; i < candidates.size(); ++i) {
        const auto file = key.files.find(candidates[i].fileId);
        if (file == key.files.end()) {
            continue;
        }
        const auto &bytes = file->second;
        if (!looksLikeImageTemplate(bytes)) {
            // A label's template is another finger; anything else is damage.
            unreadable = unreadable || !decodeTemplateRecord(bytes);
            continue;
        }
        const auto stored = fingermatch::Parse(bytes);
        if (!stored) {
            unreadable = true;
            continue;
        }
        const float score = fingermatch::ComparePrepared(preparedProbe, fingermatch::Prepare(*stored));
        if (fingermatch::Matches(score) && (best == candidates.size() || score > bestScore)) {
            best = i;
            bestScore = score;
        }
    }
    if (best == candidates.size() && unreadable) {
        return std::nullopt;
    }
    return best;
}

}  // namespace simkey
