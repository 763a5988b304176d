// Short command APDUs as the key receives them, and the key's answers.
#ifndef SIMKEY_APDU_H
#define SIMKEY_APDU_H

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "fpdevice/status_words.h"

namespace simkey {

struct Command {
    uint8_t cla = 0;
    uint8_t ins = 0;
    uint8_t p1 = 0;
    uint8_t p2 = 0;
    std::vector<uint8_t> data;   // empty when the command has no Lc
    std::optional<unsigned> ne;  // expected response length; Le 00 means 256

    uint16_t p1p2() const { return static_cast<uint16_t>((p1 << 8) | p2); }
    bool hasData() const { return !data.empty(); }
    // CLA INS P1 P2 and nothing else.
    bool isBare() const { return data.empty() && !ne; }
    // No data, Le = expected.
    bool expects(unsigned expected) const { return data.empty() && ne == expected; }
    // Data of exactly `length` bytes and no Le.
    bool carries(size_t length) const { return data.size() == length && length > 0 && !ne; }
    // Data of any length and no Le.
    bool carriesData() const { return !data.empty() && !ne; }
};

// Splits a short APDU into its parts; nullopt when the bytes are not one
// well-formed short APDU (the key answers 0x6700 then). Extended lengths are
// not supported.
std::optional<Command> parseCommand(std::span<const uint8_t> bytes);

// Status is a 16-bit status word, except for the transport failures the
// simulator can be told to produce, which are larger than 0xFFFF.
struct Answer {
    uint32_t status = SW_SUCCESS;
    std::vector<uint8_t> data;  // only with status 0x9000

    static Answer withStatus(uint32_t status) { return Answer{status, {}}; }
    static Answer success(std::vector<uint8_t> bytes = {}) { return Answer{SW_SUCCESS, std::move(bytes)}; }
};

uint16_t readBigEndian16(std::span<const uint8_t> bytes);

}  // namespace simkey

#endif
