// Capture, feature extraction, enrolment and matching.
#include <algorithm>

#include "simkey/commands.h"
#include "simkey/image_matching.h"
#include "simkey/virtual_finger.h"

namespace simkey {
namespace {

constexpr uint8_t kMatchNormal = 0x06;
constexpr uint8_t kMatchCache = 0x16;
constexpr uint8_t kMatchTest = 0x26;

const std::vector<uint8_t> *fileBytes(const KeyState &key, uint16_t id) {
    const auto file = key.files.find(id);
    return file == key.files.end() ? nullptr : &file->second;
}

// Whether the template enrolled under this index entry holds these features.
bool templateMatches(const KeyState &key, const IndexEntry &entry, const Digest &features) {
    const auto *bytes = fileBytes(key, entry.fileId);
    if (!bytes) {
        return false;
    }
    const auto record = decodeTemplateRecord(*bytes);
    return record && record->features == features;
}

void rememberInCache(FingerCache &cache, uint8_t templateNumber, uint8_t capacity) {
    if (!cache.enabled ||
        std::find(cache.templates.begin(), cache.templates.end(), templateNumber) != cache.templates.end()) {
        return;
    }
    if (cache.templates.size() >= capacity) {
        cache.templates.erase(cache.templates.begin());
    }
    cache.templates.push_back(templateNumber);
}

// Cached numbers whose template is gone (deleted, or the entry rewritten)
// are dropped before the cache is used.
void pruneCache(KeyState &key) {
    auto &cached = key.fingerCache.templates;
    cached.erase(
        std::remove_if(cached.begin(), cached.end(), [&](uint8_t number) { return !enrolledTemplate(key, number); }),
        cached.end());
}

uint8_t cacheStateByte(const FingerCache &cache) {
    return static_cast<uint8_t>((cache.enabled ? 0x01 : 0x00) | (cache.templates.empty() ? 0x00 : 0x02));
}

}  // namespace

Answer capture(CardContext &card, const Command &command) {
    if (!command.expects(2)) {
        return Answer::withStatus(SW_WRONG_LENGTH);
    }
    if (command.p2 != 0) {
        return Answer::withStatus(SW_WRONG_P1P2);
    }
    if (const auto sensed = captureImageFinger(card)) {
        card.key.capturedFinger.reset();
        card.key.capturedImage = *sensed;
        return Answer::success({sensed->figures.quality, sensed->figures.areaPercent});
    }
    card.key.capturedImage.reset();
    if (!card.key.fingerOnSensor) {
        // No finger: any earlier image is gone, as on a real sensor.
        card.key.capturedFinger.reset();
        return Answer::withStatus(SW_CAPTURE_NOT_COMPLETE);
    }
    const auto &label = *card.key.fingerOnSensor;
    card.key.capturedFinger = label;
    return Answer::success({captureQuality(label), captureArea(label)});
}

Answer extract(CardContext &card, const Command &command) {
    if (!command.expects(2)) {
        return Answer::withStatus(SW_WRONG_LENGTH);
    }
    if (command.p1 != 0 || command.p2 < 1 || command.p2 > kFeatureSlots) {
        return Answer::withStatus(SW_WRONG_P1P2);
    }
    if (!authenticated(card)) {
        return Answer::withStatus(SW_SECURITY_NOT_SATISFIED);
    }
    if (card.key.capturedImage) {
        return extractImageFinger(card.key, command.p2 - 1u);
    }
    if (!card.key.capturedFinger) {
        return Answer::withStatus(SW_IMAGE_NOT_AVAILABLE);
    }
    const auto &label = *card.key.capturedFinger;
    card.key.featureSlots[command.p2 - 1u] = label;
    card.key.imageSlots[command.p2 - 1u].clear();
    return Answer::success({minutiaeCount(label), captureQuality(label)});
}

Answer enroll(CardContext &card, const Command &command) {
    if (!command.expects(2)) {
        return Answer::withStatus(SW_WRONG_LENGTH);
    }
    if (!authenticated(card)) {
        return Answer::withStatus(SW_SECURITY_NOT_SATISFIED);
    }
    const uint16_t fileId = command.p1p2();
    if (isSystemFile(fileId)) {
        return Answer::withStatus(SW_CONDITIONS_NOT_SATISFIED);
    }
    const auto file = card.key.files.find(fileId);
    if (file == card.key.files.end()) {
        return Answer::withStatus(SW_FILE_NOT_FOUND);
    }
    if (std::any_of(card.key.imageSlots.begin(), card.key.imageSlots.end(),
                    [](const auto &slot) { return !slot.empty(); })) {
        return enrolImageFinger(card.key, file->second, command);
    }
    auto &slots = card.key.featureSlots;
    if (std::any_of(slots.begin(), slots.end(), [](const auto &slot) { return !slot; })) {
        return Answer::withStatus(SW_IMAGE_NOT_AVAILABLE);
    }
    const std::string label = *slots[0];
    const bool consistent = std::all_of(slots.begin(), slots.end(), [&](const auto &slot) { return *slot == label; });
    // Either way the three extractions are used up: the next enrolment starts over.
    slots.fill(std::nullopt);
    if (!consistent) {
        return Answer::withStatus(SW_ENROLL_FAILED);
    }
    const auto record = encodeTemplateRecord(TemplateRecord{fingerFeatures(label), label});
    if (record.size() > file->second.size()) {
        return Answer::withStatus(SW_NOT_ENOUGH_MEMORY);
    }
    std::fill(file->second.begin(), file->second.end(), uint8_t{0});
    std::copy(record.begin(), record.end(), file->second.begin());
    return Answer::success({command.p1, command.p2});
}

Answer match(CardContext &card, const Command &command) {
    if (!command.expects(1)) {
        return Answer::withStatus(SW_WRONG_LENGTH);
    }
    const uint8_t mode = command.p1;
    if (mode != kMatchNormal && mode != kMatchCache && mode != kMatchTest) {
        return Answer::withStatus(SW_WRONG_P1P2);
    }
    if (!authenticated(card)) {
        return Answer::withStatus(SW_SECURITY_NOT_SATISFIED);
    }
    auto &key = card.key;
    if (key.settings.verifyMode == 0) {
        return Answer::withStatus(SW_FINGER_AUTH_DISABLED);
    }
    if (key.fingerTries.left == 0) {
        return Answer::withStatus(SW_AUTH_METHOD_BLOCKED);
    }
    if (!key.featureSlots[0] && key.imageSlots[0].empty()) {
        return Answer::withStatus(SW_IMAGE_NOT_AVAILABLE);
    }

    std::vector<IndexEntry> candidates;
    for (const auto &entry : readTemplateIndex(key)) {
        if (entry.enrolled && (command.p2 == 0 || entry.templateNumber == command.p2)) {
            candidates.push_back(entry);
        }
    }
    if (mode == kMatchCache) {
        pruneCache(key);
        if (!key.fingerCache.enabled) {
            return Answer::withStatus(SW_CACHE_NOT_ENABLED);
        }
        if (key.fingerCache.templates.empty()) {
            return Answer::withStatus(SW_CACHE_EMPTY);
        }
        const auto &cached = key.fingerCache.templates;
        std::erase_if(candidates, [&](const IndexEntry &entry) {
            return std::find(cached.begin(), cached.end(), entry.templateNumber) == cached.end();
        });
    }
    if (candidates.empty()) {
        return Answer::withStatus(SW_REFERENCED_DATA_NOT_FOUND);
    }

    std::vector<IndexEntry>::const_iterator matched = candidates.end();
    if (key.featureSlots[0]) {
        const Digest features = fingerFeatures(*key.featureSlots[0]);
        matched = std::find_if(candidates.begin(), candidates.end(),
                               [&](const IndexEntry &entry) { return templateMatches(key, entry, features); });
    } else {
        const auto found = bestImageMatch(key, candidates);
        if (!found) {
            // A template that cannot be read says nothing about the finger:
            // no match, and no attempt used up.
            return Answer::withStatus(SW_REFERENCE_DATA_UNUSABLE);
        }
        if (*found < candidates.size()) {
            matched = candidates.begin() + static_cast<std::ptrdiff_t>(*found);
        }
    }
    if (mode == kMatchTest) {
        return matched == candidates.end() ? Answer::withStatus(SW_FINGER_MISMATCH)
                                           : Answer::success({matched->templateNumber});
    }
    if (matched == candidates.end()) {
        --key.fingerTries.left;
        return Answer::withStatus(sw::triesLeft(key.fingerTries.left));
    }
    key.fingerTries.restore();
    rememberInCache(key.fingerCache, matched->templateNumber, key.templateCapacity);
    return Answer::success({matched->templateNumber});
}

Answer fingerCache(CardContext &card, const Command &command) {
    if (!command.expects(1)) {
        return Answer::withStatus(SW_WRONG_LENGTH);
    }
    if (command.p2 != 0x06) {
        return Answer::withStatus(SW_WRONG_P1P2);
    }
    auto &cache = card.key.fingerCache;
    if (command.p1 != 0x00) {
        if (!authenticated(card)) {
            return Answer::withStatus(SW_SECURITY_NOT_SATISFIED);
        }
        if (command.p1 == 0x01 || command.p1 == 0x03) {
            cache.templates.clear();
        }
        if (command.p1 == 0x02 || command.p1 == 0x03) {
            cache.enabled = command.p1 == 0x02;
        }
    }
    pruneCache(card.key);
    return Answer::success({cacheStateByte(cache)});
}

}  // namespace simkey
