#include "simkey/apdu.h"

namespace simkey {

std::optional<Command> parseCommand(std::span<const uint8_t> bytes) {
    if (bytes.size() < 4) {
        return std::nullopt;
    }
    Command command;
    command.cla = bytes[0];
    command.ins = bytes[1];
    command.p1 = bytes[2];
    command.p2 = bytes[3];
    const auto body = bytes.subspan(4);
    if (body.empty()) {
        return command;
    }
    if (body.size() == 1) {
        command.ne = body[0] == 0 ? 256u : body[0];
        return command;
    }
    // A first body byte of 0 followed by more bytes would be an extended length.
    const size_t lc = body[0];
    if (lc == 0) {
        return std::nullopt;
    }
    if (body.size() == 1 + lc) {
        command.data.assign(body.begin() + 1, body.end());
        return command;
    }
    if (body.size() == 2 + lc) {
        command.data.assign(body.begin() + 1, body.begin() + 1 + static_cast<std::ptrdiff_t>(lc));
        const uint8_t le = body.back();
        command.ne = le == 0 ? 256u : le;
        return command;
    }
    return std::nullopt;
}

uint16_t readBigEndian16(std::span<const uint8_t> bytes) { return static_cast<uint16_t>((bytes[0] << 8) | bytes[1]); }

}  // namespace simkey
