#include "simkey/card.h"

#include <optional>

#include "simkey/commands.h"

namespace simkey {
namespace {

// Consumes one use of the first injected fault that hits this command.
std::optional<uint32_t> takeFault(KeyState &key, const Command &command) {
    for (auto fault = key.faults.begin(); fault != key.faults.end(); ++fault) {
        if (faultHits(fault->kind, command)) {
            const uint32_t status = fault->statusWord;
            if (--fault->remaining == 0) {
                key.faults.erase(fault);
            }
            return status;
        }
    }
    return std::nullopt;
}

Answer interIndustry(CardContext &card, const Command &command) {
    switch (command.ins) {
        case 0xA4: return selectFile(card, command);
        case 0xB0: return readBinary(card, command);
        case 0xD0:
        case 0xD6: return writeBinary(card, command);
        case 0xE4: return deleteFile(card, command);
        case 0x84: return getChallenge(card, command);
        case 0x82: return externalAuthenticate(card, command);
        case 0x20: return verifyUserPin(card, command);
        default: return Answer::withStatus(SW_UNKNOWN_INSTRUCTION);
    }
}

Answer proprietary(CardContext &card, const Command &command) {
    switch (command.ins) {
        case 0xE0: return createFile(card, command);
        case 0xFA: return command.p1 == 0x00 ? capture(card, command) : deviceQuery(card, command);
        case 0xFB: return extract(card, command);
        case 0xFC: return enroll(card, command);
        case 0xFD: return match(card, command);
        case 0xFE: return verifyMode(card, command);
        case 0xF9: return options(card, command);
        case 0xF7: return imageBlock(card, command);
        default: return Answer::withStatus(SW_UNKNOWN_INSTRUCTION);
    }
}

}  // namespace

Answer processCommand(CardContext &card, const Command &command) {
    if (command.cla != 0x00 && command.cla != 0x80) {
        return Answer::withStatus(SW_UNKNOWN_CLASS);
    }
    card.session.followKey(card.key.resetCount);
    if (const auto fault = takeFault(card.key, command)) {
        return Answer::withStatus(*fault);
    }
    return command.cla == 0x00 ? interIndustry(card, command) : proprietary(card, command);
}

}  // namespace simkey
