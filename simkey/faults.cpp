#include "simkey/faults.h"

#include <array>
#include <utility>

#include "simkey/apdu.h"
#include "simkey/status_words.h"

namespace simkey {
namespace {

constexpr std::array<std::pair<FaultKind, std::string_view>, 7> kNames{{
    {FaultKind::capture, "capture"},
    {FaultKind::extract, "extract"},
    {FaultKind::identify, "identify"},
    {FaultKind::verify, "verify"},
    {FaultKind::enroll, "enroll"},
    {FaultKind::pin, "pin"},
    {FaultKind::any, "any"},
}};

bool isProprietary(const Command &command, uint8_t ins) { return command.cla == 0x80 && command.ins == ins; }

}  // namespace

std::optional<FaultKind> faultKindFromName(std::string_view name) {
    for (const auto &[kind, kindName] : kNames) {
        if (kindName == name) {
            return kind;
        }
    }
    return std::nullopt;
}

std::string_view faultKindName(FaultKind kind) {
    for (const auto &[candidate, name] : kNames) {
        if (candidate == kind) {
            return name;
        }
    }
    return "any";
}

FaultKind defaultFaultKind(uint32_t statusWord) {
    switch (statusWord) {
        case SW_POOR_IMAGE:
        case SW_TOO_FEW_FEATURES:
        case SW_AREA_TOO_SMALL:
        case SW_IMAGE_NOT_AVAILABLE: return FaultKind::extract;
        case SW_SENSOR_DIRTY: return FaultKind::capture;
        default: return FaultKind::any;
    }
}

bool faultHits(FaultKind kind, const Command &command) {
    switch (kind) {
        case FaultKind::capture: return isProprietary(command, 0xFA) && command.p1 == 0x00;
        case FaultKind::extract: return isProprietary(command, 0xFB);
        case FaultKind::identify: return isProprietary(command, 0xFD) && command.p2 == 0x00;
        case FaultKind::verify: return isProprietary(command, 0xFD) && command.p2 != 0x00;
        case FaultKind::enroll: return isProprietary(command, 0xFC);
        case FaultKind::pin: return command.cla == 0x00 && command.ins == 0x20;
        case FaultKind::any: return true;
    }
    return false;
}

}  // namespace simkey
