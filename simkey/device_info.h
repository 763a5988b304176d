// The device information block the key answers to 80 FA 02 00 2F.
//
// Layout (47 bytes):
//   0-15  product name, ASCII, padded with NUL bytes ("fpkey simulated")
//  16-23  firmware version, ASCII, NUL padded ("1.0.0")
//  24-39  serial number, ASCII, NUL padded (16 hex digits on a factory key)
//  40     template capacity
//  41     number of enrolled templates
//  42-43  sensor image width in pixels, high byte first (256)
//  44-45  sensor image height in pixels, high byte first (360)
//  46     version of this layout (1)
#ifndef SIMKEY_DEVICE_INFO_H
#define SIMKEY_DEVICE_INFO_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "simkey/key_state.h"

namespace simkey {

constexpr size_t kDeviceInfoSize = 47;
constexpr const char *kProductName = "fpkey simulated";
constexpr const char *kFirmwareVersion = "1.0.0";
constexpr uint16_t kSensorWidth = 256;
constexpr uint16_t kSensorHeight = 360;
constexpr uint8_t kDeviceInfoLayout = 1;

std::vector<uint8_t> deviceInfo(const KeyState &key);

}  // namespace simkey

#endif
