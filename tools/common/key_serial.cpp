#include "key_serial.h"

#include <cstdint>

#include "fpdevice/dactyl.h"

namespace fpkey {
namespace {

// Bytes 24 to 39 of the block, ASCII, padded with NUL bytes.
constexpr uint64_t kSerialOffset = 24;
constexpr uint64_t kSerialSize = 16;

bool UsableInMapping(char c) { return c > ' ' && c < 0x7F && c != ':' && c != ','; }

}  // namespace

std::string ReadKeySerial(DeviceContext *device) {
    uint8_t info[256] = {};
    uint64_t length = 0;
    if (HXDactylGetDeviceInfo(device, info, &length) != 0 || length < kSerialOffset + kSerialSize) return {};
    std::string serial;
    for (uint64_t i = kSerialOffset; i < kSerialOffset + kSerialSize && info[i] != 0; ++i) {
        const char c = static_cast<char>(info[i]);
        if (!UsableInMapping(c)) return {};
        serial += c;
    }
    return serial;
}

}  // namespace fpkey
