#include "simkey/state_json.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include <openssl/crypto.h>

#include "simkey/image_finger_json.h"
#include "simkey/virtual_finger.h"

namespace simkey {
namespace {

using nlohmann::json;

[[noreturn]] void fail(const std::string &field, const std::string &problem) {
    throw StateFormatError("field \"" + field + "\" " + problem);
}

const json &member(const json &object, const std::string &parent, const char *name) {
    const std::string field = parent.empty() ? name : parent + "." + name;
    if (!object.is_object()) {
        fail(parent, "is not an object");
    }
    const auto found = object.find(name);
    if (found == object.end()) {
        fail(field, "is missing");
    }
    return *found;
}

uint64_t unsignedValue(const json &value, const std::string &field, uint64_t low, uint64_t high) {
    if (!value.is_number_unsigned() && !(value.is_number_integer() && value.get<int64_t>() >= 0)) {
        fail(field, "must be a whole number from " + std::to_string(low) + " to " + std::to_string(high));
    }
    const auto number = value.get<uint64_t>();
    if (number < low || number > high) {
        fail(field, "must be a whole number from " + std::to_string(low) + " to " + std::to_string(high));
    }
    return number;
}

uint8_t byteMember(const json &object, const std::string &parent, const char *name, unsigned low = 0,
                   unsigned high = 255) {
    const std::string field = parent.empty() ? name : parent + "." + name;
    return static_cast<uint8_t>(unsignedValue(member(object, parent, name), field, low, high));
}

bool boolMember(const json &object, const std::string &parent, const char *name) {
    const auto &value = member(object, parent, name);
    if (!value.is_boolean()) {
        fail(parent + "." + name, "must be true or false");
    }
    return value.get<bool>();
}

std::string stringValue(const json &value, const std::string &field) {
    if (!value.is_string()) {
        fail(field, "must be a string");
    }
    return value.get<std::string>();
}

std::vector<uint8_t> hexValue(const json &value, const std::string &field, size_t expectedLength) {
    const auto text = stringValue(value, field);
    if (text.size() != expectedLength * 2) {
        fail(field, "must hold " + std::to_string(expectedLength) + " bytes as " + std::to_string(expectedLength * 2) +
                        " hex digits");
    }
    std::vector<uint8_t> bytes(expectedLength);
    for (size_t i = 0; i < expectedLength; ++i) {
        const int high = OPENSSL_hexchar2int(static_cast<unsigned char>(text[2 * i]));
        const int low = OPENSSL_hexchar2int(static_cast<unsigned char>(text[2 * i + 1]));
        if (high < 0 || low < 0) {
            fail(field, "must contain hex digits only");
        }
        bytes[i] = static_cast<uint8_t>((high << 4) | low);
    }
    return bytes;
}

json optionalLabel(const std::optional<std::string> &label) { return label ? json(*label) : json(nullptr); }

std::optional<std::string> labelValue(const json &value, const std::string &field) {
    if (value.is_null()) {
        return std::nullopt;
    }
    auto label = stringValue(value, field);
    if (const auto problem = fingerLabelProblem(label); !problem.empty()) {
        fail(field, "is not a usable finger label: " + problem);
    }
    return label;
}

RetryCounter counterValue(const json &object, const std::string &field) {
    RetryCounter counter;
    // The number of tries left travels in the low nibble of 0x63Cx.
    counter.maximum = byteMember(object, field, "maximum", 1, 15);
    counter.left = byteMember(object, field, "left", 0, counter.maximum);
    return counter;
}

FileMap filesValue(const json &value) {
    if (!value.is_array()) {
        fail("files", "must be an array");
    }
    FileMap files;
    for (size_t i = 0; i < value.size(); ++i) {
        const std::string field = "files[" + std::to_string(i) + "]";
        const auto &entry = value[i];
        const auto id = static_cast<uint16_t>(unsignedValue(member(entry, field, "id"), field + ".id", 1, 0xFFFE));
        if (id == kMasterFileId) {
            fail(field + ".id", "names the master file, which holds no data");
        }
        const auto size = unsignedValue(member(entry, field, "size"), field + ".size", 1, 0xFFFF);
        auto data = hexValue(member(entry, field, "data"), field + ".data", size);
        if (!files.emplace(id, std::move(data)).second) {
            fail(field + ".id", "repeats the id of an earlier file");
        }
    }
    if (files.size() > kMaxFiles) {
        fail("files", "holds more than " + std::to_string(kMaxFiles) + " files");
    }
    if (totalFileBytes(files) > kMaxTotalFileBytes) {
        fail("files", "hold more than " + std::to_string(kMaxTotalFileBytes) + " bytes");
    }
    return files;
}

void checkSystemFiles(const KeyState &state) {
    const auto requireFile = [&](uint16_t id, size_t minimumSize, const char *what) {
        const auto file = state.files.find(id);
        char name[8];
        std::snprintf(name, sizeof name, "%04X", id);
        if (file == state.files.end()) {
            fail("files", std::string("lack the ") + what + " (file " + name + ")");
        }
        if (file->second.size() < minimumSize) {
            fail("files", std::string("hold a ") + what + " (file " + name + ") shorter than " +
                              std::to_string(minimumSize) + " bytes");
        }
    };
    requireFile(kNextFileRecordId, 3, "next-file record");
    requireFile(kTemplateIndexId, state.templateCapacity * kIndexEntrySize, "template index");
    requireFile(kLockMarkFileId, kLockMarkOffset + 1, "lock-mark file");
}

std::vector<Fault> faultsValue(const json &value) {
    if (!value.is_array()) {
        fail("faults", "must be an array");
    }
    std::vector<Fault> faults;
    for (size_t i = 0; i < value.size(); ++i) {
        const std::string field = "faults[" + std::to_string(i) + "]";
        Fault fault;
        fault.statusWord = static_cast<uint32_t>(
            unsignedValue(member(value[i], field, "statusWord"), field + ".statusWord", 1, 0xFFFFFFFF));
        const auto kindName = stringValue(member(value[i], field, "kind"), field + ".kind");
        const auto kind = faultKindFromName(kindName);
        if (!kind) {
            fail(field + ".kind", "names no known command kind (\"" + kindName + "\")");
        }
        fault.kind = *kind;
        fault.remaining = static_cast<uint32_t>(
            unsignedValue(member(value[i], field, "remaining"), field + ".remaining", 1, 0xFFFFFFFF));
        faults.push_back(fault);
    }
    return faults;
}

}  // namespace

std::string toHex(std::span<const uint8_t> bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (uint8_t byte : bytes) {
        text += kHex[byte >> 4];
        text += kHex[byte & 0x0F];
    }
    return text;
}

json stateToJson(const KeyState &state) {
    json files = json::array();
    for (const auto &[id, bytes] : state.files) {
        files.push_back({{"id", id}, {"size", bytes.size()}, {"data", toHex(bytes)}});
    }
    json faults = json::array();
    for (const auto &fault : state.faults) {
        faults.push_back({{"statusWord", fault.statusWord},
                          {"kind", std::string(faultKindName(fault.kind))},
                          {"remaining", fault.remaining}});
    }
    json slots = json::array();
    for (const auto &slot : state.featureSlots) {
        slots.push_back(optionalLabel(slot));
    }
    return json{
        {"format", kStateFormatName},
        {"version", kStateFormatVersion},
        {"resetCount", state.resetCount},
        {"serialNumber", state.serialNumber},
        {"settings",
         {{"verifyMode", state.settings.verifyMode},
          {"timeOut", state.settings.timeOut},
          {"securityLevel", state.settings.securityLevel},
          {"imageGain", state.settings.imageGain}}},
        {"templateCapacity", state.templateCapacity},
        {"fingerCache", {{"enabled", state.fingerCache.enabled}, {"templates", state.fingerCache.templates}}},
        {"userPin", state.userPin},
        {"pinTries", {{"maximum", state.pinTries.maximum}, {"left", state.pinTries.left}}},
        {"fingerTries", {{"maximum", state.fingerTries.maximum}, {"left", state.fingerTries.left}}},
        {"authKey", toHex(state.authKey)},
        {"fingerOnSensor", optionalLabel(state.fingerOnSensor)},
        {"capturedFinger", optionalLabel(state.capturedFinger)},
        {"featureSlots", slots},
        {"imageFinger", imageFingerToJson(state)},
        {"files", files},
        {"faults", faults},
    };
}

KeyState stateFromJson(const json &document) {
    if (!document.is_object()) {
        throw StateFormatError("the file does not hold a JSON object");
    }
    const auto format = document.find("format");
    if (format == document.end() || *format != kStateFormatName) {
        throw StateFormatError(std::string("the file is not a simulated key (field \"format\" is not \"") +
                               kStateFormatName + "\")");
    }
    const auto version = unsignedValue(member(document, "", "version"), "version", 0, 0xFFFFFFFF);
    if (version != kStateFormatVersion) {
        throw StateFormatError("the file has format version " + std::to_string(version) +
                               ", this key manager reads version " + std::to_string(kStateFormatVersion));
    }

    KeyState state;
    state.resetCount = unsignedValue(member(document, "", "resetCount"), "resetCount", 0, UINT64_MAX);
    state.serialNumber = stringValue(member(document, "", "serialNumber"), "serialNumber");
    if (state.serialNumber.empty() || state.serialNumber.size() > 16 ||
        !std::all_of(state.serialNumber.begin(), state.serialNumber.end(),
                     [](char c) { return c > 0x20 && c < 0x7F; })) {
        fail("serialNumber", "must be 1 to 16 printable ASCII characters");
    }

    const auto &settings = member(document, "", "settings");
    state.settings.verifyMode = byteMember(settings, "settings", "verifyMode", 0, 2);
    state.settings.timeOut = byteMember(settings, "settings", "timeOut");
    state.settings.securityLevel = byteMember(settings, "settings", "securityLevel");
    state.settings.imageGain = byteMember(settings, "settings", "imageGain");

    state.templateCapacity = byteMember(document, "", "templateCapacity", 1, 255);

    const auto &cache = member(document, "", "fingerCache");
    state.fingerCache.enabled = boolMember(cache, "fingerCache", "enabled");
    const auto &cached = member(cache, "fingerCache", "templates");
    if (!cached.is_array() || cached.size() > state.templateCapacity) {
        fail("fingerCache.templates", "must be an array of at most templateCapacity template numbers");
    }
    std::set<uint8_t> seen;
    for (size_t i = 0; i < cached.size(); ++i) {
        const auto number = static_cast<uint8_t>(
            unsignedValue(cached[i], "fingerCache.templates[" + std::to_string(i) + "]", 1, state.templateCapacity));
        if (!seen.insert(number).second) {
            fail("fingerCache.templates", "lists template " + std::to_string(number) + " twice");
        }
        state.fingerCache.templates.push_back(number);
    }

    state.userPin = stringValue(member(document, "", "userPin"), "userPin");
    if (state.userPin.empty() || state.userPin.size() > kMaxPinLength) {
        fail("userPin", "must be 1 to " + std::to_string(kMaxPinLength) + " characters");
    }
    state.pinTries = counterValue(member(document, "", "pinTries"), "pinTries");
    state.fingerTries = counterValue(member(document, "", "fingerTries"), "fingerTries");

    const auto key = hexValue(member(document, "", "authKey"), "authKey", kAuthKeySize);
    std::copy(key.begin(), key.end(), state.authKey.begin());

    state.fingerOnSensor = labelValue(member(document, "", "fingerOnSensor"), "fingerOnSensor");
    state.capturedFinger = labelValue(member(document, "", "capturedFinger"), "capturedFinger");
    const auto &slots = member(document, "", "featureSlots");
    if (!slots.is_array() || slots.size() != kFeatureSlots) {
        fail("featureSlots", "must be an array of " + std::to_string(kFeatureSlots) + " entries");
    }
    for (size_t i = 0; i < kFeatureSlots; ++i) {
        state.featureSlots[i] = labelValue(slots[i], "featureSlots[" + std::to_string(i) + "]");
    }

    imageFingerFromJson(document, &state);

    state.files = filesValue(member(document, "", "files"));
    checkSystemFiles(state);
    state.faults = faultsValue(member(document, "", "faults"));
    return state;
}

}  // namespace simkey
