#include "simkey/image_finger_json.h"

#include <algorithm>

#include <openssl/crypto.h>

#include "fingermatch/template_format.h"
#include "simkey/state_json.h"

namespace simkey {
namespace {

using nlohmann::json;

[[noreturn]] void fail(const std::string &field, const std::string &problem) {
    throw StateFormatError("field \"imageFinger." + field + "\" " + problem);
}

// Features are checked as the matcher will read them, so that a state file
// edited by hand cannot bring a malformed template into a comparison.
std::vector<uint8_t> featuresValue(const json &value, const std::string &field) {
    if (!value.is_string()) {
        fail(field, "must be a string of hex digits");
    }
    const auto text = value.get<std::string>();
    if (text.empty()) {
        return {};
    }
    std::vector<uint8_t> bytes(text.size() / 2 + 1);
    size_t written = 0;
    if (OPENSSL_hexstr2buf_ex(bytes.data(), bytes.size(), &written, text.c_str(), '\0') != 1) {
        fail(field, "must be a string of hex digits");
    }
    bytes.resize(written);
    if (!fingermatch::Parse(bytes)) {
        fail(field, "is not a fingerprint template");
    }
    return bytes;
}

int figureValue(const json &object, const std::string &field, const char *name, int high) {
    const auto found = object.find(name);
    if (found == object.end() || !found->is_number_integer() || found->get<int64_t>() < 0 ||
        found->get<int64_t>() > high) {
        fail(field + "." + name, "must be a whole number from 0 to " + std::to_string(high));
    }
    return static_cast<int>(found->get<int64_t>());
}

json sensedToJson(const std::optional<SensedImage> &sensed) {
    if (!sensed) {
        return nullptr;
    }
    return json{{"status", static_cast<int>(sensed->status)}, {"fingerArea", sensed->figures.fingerArea},
                {"areaPercent", sensed->figures.areaPercent}, {"quality", sensed->figures.quality},
                {"minutiae", sensed->figures.minutiae},       {"features", toHex(sensed->features)}};
}

std::optional<SensedImage> sensedFromJson(const json &value, const std::string &field) {
    if (value.is_null()) {
        return std::nullopt;
    }
    if (!value.is_object()) {
        fail(field, "must be an object or null");
    }
    SensedImage sensed;
    sensed.status = static_cast<fingermatch::ExtractStatus>(
        figureValue(value, field, "status", static_cast<int>(fingermatch::ExtractStatus::kFewMinutiae)));
    sensed.figures.fingerArea = figureValue(value, field, "fingerArea", INT32_MAX);
    sensed.figures.areaPercent = static_cast<uint8_t>(figureValue(value, field, "areaPercent", 100));
    sensed.figures.quality = static_cast<uint8_t>(figureValue(value, field, "quality", 100));
    sensed.figures.minutiae = figureValue(value, field, "minutiae", INT32_MAX);
    const auto features = value.find("features");
    sensed.features = featuresValue(features == value.end() ? json() : *features, field + ".features");
    if (sensed.features.empty() != (sensed.status != fingermatch::ExtractStatus::kOk)) {
        fail(field, "must hold features exactly when its status is good");
    }
    return sensed;
}

}  // namespace

json imageFingerToJson(const KeyState &state) {
    const bool any =
        state.imageOnSensor || state.capturedImage ||
        std::any_of(state.imageSlots.begin(), state.imageSlots.end(), [](const auto &slot) { return !slot.empty(); });
    if (!any) {
        return nullptr;
    }
    json slots = json::array();
    for (const auto &slot : state.imageSlots) {
        slots.push_back(toHex(slot));
    }
    return json{{"onSensor", sensedToJson(state.imageOnSensor)},
                {"captured", sensedToJson(state.capturedImage)},
                {"slots", slots}};
}

void imageFingerFromJson(const json &document, KeyState *state) {
    const auto found = document.find("imageFinger");
    if (found == document.end() || found->is_null()) {
        return;
    }
    const json &finger = *found;
    if (!finger.is_object()) {
        fail("", "must be an object or null");
    }
    const auto member = [&](const char *name) {
        const auto value = finger.find(name);
        return value == finger.end() ? json() : *value;
    };
    state->imageOnSensor = sensedFromJson(member("onSensor"), "onSensor");
    state->capturedImage = sensedFromJson(member("captured"), "captured");
    const json slots = member("slots");
    if (!slots.is_array() || slots.size() != kFeatureSlots) {
        fail("slots", "must be an array of " + std::to_string(kFeatureSlots) + " entries");
    }
    for (size_t i = 0; i < kFeatureSlots; ++i) {
        const std::string field = "slots[" + std::to_string(i) + "]";
        state->imageSlots[i] = featuresValue(slots[i], field);
        if (!state->imageSlots[i].empty() && state->featureSlots[i]) {
            fail(field, "holds features beside the finger label of the same slot");
        }
    }
    if (state->imageOnSensor && state->fingerOnSensor) {
        fail("onSensor", "is there beside a finger label on the sensor");
    }
    if (state->capturedImage && state->capturedFinger) {
        fail("captured", "is there beside a captured finger label");
    }
}

}  // namespace simkey
