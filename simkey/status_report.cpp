#include "simkey/status_report.h"

#include <nlohmann/json.hpp>

#include "simkey/virtual_finger.h"

namespace simkey {
namespace {

using nlohmann::json;

json optionalText(const std::optional<std::string> &text) { return text ? json(*text) : json(nullptr); }

json templates(const KeyState &key) {
    json list = json::array();
    for (const auto &entry : readTemplateIndex(key)) {
        if (entry.fileId == 0) {
            continue;
        }
        json item{{"number", entry.templateNumber}, {"enrolled", entry.enrolled}, {"fileId", entry.fileId}};
        const auto file = key.files.find(entry.fileId);
        const auto record = file == key.files.end() ? std::nullopt : decodeTemplateRecord(file->second);
        item["finger"] = record ? json(record->label) : json(nullptr);
        list.push_back(std::move(item));
    }
    return list;
}

}  // namespace

std::string statusReport(const KeyState &key, const Session &session, const ConnectionFacts &connection) {
    json files = json::array();
    for (const auto &[id, bytes] : key.files) {
        files.push_back({{"id", id}, {"size", bytes.size()}});
    }
    json faults = json::array();
    for (const auto &fault : key.faults) {
        faults.push_back({{"statusWord", fault.statusWord},
                          {"kind", std::string(faultKindName(fault.kind))},
                          {"remaining", fault.remaining}});
    }
    json slots = json::array();
    for (const auto &slot : key.featureSlots) {
        slots.push_back(optionalText(slot));
    }
    const json report{
        {"stateFile", connection.statePath.string()},
        {"serialNumber", key.serialNumber},
        {"settings",
         {{"verifyMode", key.settings.verifyMode},
          {"timeOut", key.settings.timeOut},
          {"securityLevel", key.settings.securityLevel},
          {"imageGain", key.settings.imageGain}}},
        {"templateCapacity", key.templateCapacity},
        {"templates", templates(key)},
        {"fingerCache", {{"enabled", key.fingerCache.enabled}, {"templates", key.fingerCache.templates}}},
        {"pinTriesLeft", key.pinTries.left},
        {"fingerTriesLeft", key.fingerTries.left},
        {"lockMark", lockMarkSet(key)},
        {"fingerOnSensor", optionalText(key.fingerOnSensor)},
        {"imageOnSensor", key.imageOnSensor ? json{{"quality", key.imageOnSensor->figures.quality},
                                                   {"areaPercent", key.imageOnSensor->figures.areaPercent},
                                                   {"minutiae", key.imageOnSensor->figures.minutiae}}
                                            : json(nullptr)},
        {"capturedFinger", optionalText(key.capturedFinger)},
        {"featureSlots", slots},
        {"files", files},
        {"faults", faults},
        {"connection",
         {{"protocol", connection.t0 ? "T=0" : "T=1"},
          {"authenticated", session.authenticated},
          {"pinVerified", session.pinVerified},
          {"imageLines", connection.imageLines},
          {"imageLineBytes", connection.imageLineBytes}}},
    };
    return report.dump(2);
}

}  // namespace simkey
