#include "simkey/device_info.h"

#include <algorithm>
#include <string>

namespace simkey {
namespace {

void putText(std::vector<uint8_t> &block, size_t offset, size_t width, const std::string &text) {
    std::copy_n(text.begin(), std::min(width, text.size()), block.begin() + static_cast<std::ptrdiff_t>(offset));
}

void putBigEndian16(std::vector<uint8_t> &block, size_t offset, uint16_t value) {
    block[offset] = static_cast<uint8_t>(value >> 8);
    block[offset + 1] = static_cast<uint8_t>(value & 0xFF);
}

}  // namespace

std::vector<uint8_t> deviceInfo(const KeyState &key) {
    std::vector<uint8_t> block(kDeviceInfoSize, 0);
    putText(block, 0, 16, kProductName);
    putText(block, 16, 8, kFirmwareVersion);
    putText(block, 24, 16, key.serialNumber);
    block[40] = key.templateCapacity;
    const auto index = readTemplateIndex(key);
    block[41] =
        static_cast<uint8_t>(std::count_if(index.begin(), index.end(), [](const auto &e) { return e.enrolled; }));
    putBigEndian16(block, 42, kSensorWidth);
    putBigEndian16(block, 44, kSensorHeight);
    block[46] = kDeviceInfoLayout;
    return block;
}

}  // namespace simkey
