// The frame every HXDactyl... command goes through: trace on entry, take the
// lock token, exchange one APDU, trace the answer, release the token, and
// map the status word to a result code through the function's own table.
#ifndef FPDEVICE_API_COMMAND_FRAME_H
#define FPDEVICE_API_COMMAND_FRAME_H

#include <cstddef>
#include <cstdint>
#include <span>

#include "fpdevice/dactyl.h"

namespace fpdevice {

constexpr uint64_t kResponseCapacity = 2048;
// The image block is the longest command: 13 header bytes and 240 pixels.
constexpr size_t kCommandCapacity = 300;

// One row of a function's status table.
struct StatusEntry {
    uint16_t statusWord;
    uint64_t resultCode;
};

// The status word passed on as 0x80000000 + SW.
constexpr StatusEntry Recognised(uint16_t statusWord) { return {statusWord, FP_E_STATUS_BASE + statusWord}; }

// How one function turns status words into result codes: 0x9000 is success,
// the rows of the table come next, a lock not obtained is 0x80009909, and
// anything else is `otherwise`.
struct StatusTable {
    std::span<const StatusEntry> entries;
    uint64_t otherwise = FP_E_UNKNOWN_STATUS;

    uint64_t Map(uint16_t statusWord) const;
};

// A command and its response buffer, as one function sends it.
struct Apdu {
    uint8_t command[kCommandCapacity] = {};
    uint64_t commandLength = 5;
    uint8_t response[kResponseCapacity] = {};
    uint64_t responseLength = kResponseCapacity;

    // CLA INS P1 P2 P3, the shape of every command of the device API.
    static Apdu Header(uint8_t cla, uint8_t ins, uint8_t p1, uint8_t p2, uint8_t p3);
    // The same with one data byte after P3 (the setters).
    static Apdu WithByte(uint8_t cla, uint8_t ins, uint8_t p1, uint8_t p2, uint8_t data);
};

// Holds the lock token of one device for a scope; releases it on every path.
class LockToken {
public:
    explicit LockToken(DeviceContext *hDev);
    ~LockToken();
    LockToken(const LockToken &) = delete;
    LockToken &operator=(const LockToken &) = delete;
    bool Held() const { return token_ != nullptr; }

private:
    void *token_;
};

void TraceEnter(const char *function);

// Sends one command under a token the caller holds and traces the answer
// under the function's name. The response length starts at 2048.
uint16_t Transceive(DeviceContext *hDev, const char *function, Apdu &apdu);

// The whole frame for a one-command function: lock, send, trace, release.
// Answers the pseudo status 0x9909 when the lock is not obtained.
uint16_t RunLocked(DeviceContext *hDev, const char *function, Apdu &apdu);

}  // namespace fpdevice

#endif
