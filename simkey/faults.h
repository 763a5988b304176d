// Injected faults: the next commands of one kind answer a chosen status word.
#ifndef SIMKEY_FAULTS_H
#define SIMKEY_FAULTS_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace simkey {

struct Command;

enum class FaultKind { capture, extract, identify, verify, enroll, pin, any };

struct Fault {
    uint32_t statusWord = 0;
    FaultKind kind = FaultKind::any;
    uint32_t remaining = 0;  // commands still to hit

    bool operator==(const Fault &) const = default;
};

std::optional<FaultKind> faultKindFromName(std::string_view name);
std::string_view faultKindName(FaultKind kind);
// The kind a status word belongs to when the caller names none: image
// problems hit extraction, a dirty sensor hits capture, the rest any command.
FaultKind defaultFaultKind(uint32_t statusWord);
bool faultHits(FaultKind kind, const Command &command);

}  // namespace simkey

#endif
