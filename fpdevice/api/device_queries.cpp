// Presence test, self test, device information, the settings and the
// template capacity: one command each.
#include <cstring>

#include "api/command_frame.h"

using namespace fpdevice;

namespace {

constexpr uint8_t kCla = 0x80;
constexpr uint8_t kSettingsP2 = 0x06;

constexpr StatusEntry kSelfTestStatuses[] = {Recognised(SW_SELF_TEST_FAILED)};
constexpr StatusEntry kDeviceInfoStatuses[] = {Recognised(SW_DEVICE_INFO_FAILED)};
constexpr StatusEntry kSetVerifyModeStatuses[] = {Recognised(SW_MEMORY_FAILURE), Recognised(SW_SECURITY_NOT_SATISFIED),
                                                  Recognised(SW_AUTH_METHOD_BLOCKED),
                                                  Recognised(SW_VERIFY_MODE_REFUSED)};
constexpr StatusEntry kSetterStatuses[] = {Recognised(SW_MEMORY_FAILURE), Recognised(SW_SECURITY_NOT_SATISFIED),
                                           Recognised(SW_AUTH_METHOD_BLOCKED)};
constexpr StatusEntry kGetterStatuses[] = {Recognised(SW_AUTH_METHOD_BLOCKED)};
constexpr StatusEntry kSecurityStatuses[] = {Recognised(SW_SECURITY_NOT_SATISFIED)};

// P1 of the 0xF9 settings commands.
enum SettingsCommand : uint8_t {
    kGetCapacity = 0x04,
    kGetTimeOut = 0x05,
    kSetTimeOut = 0x06,
    kGetSecLevel = 0x07,
    kSetSecLevel = 0x08,
    kGetSecState = 0x09,
    kGetImageGain = 0x0A,
    kSetImageGain = 0x0B,
};

// A 0xF9 setter: 80 F9 p1 06 01 value.
uint64_t SetSetting(DeviceContext *hDev, const char *function, uint8_t p1, uint8_t value) {
    TraceEnter(function);
    Apdu apdu = Apdu::WithByte(kCla, 0xF9, p1, kSettingsP2, value);
    return StatusTable{kSetterStatuses}.Map(RunLocked(hDev, function, apdu));
}

// A one-byte getter. The response buffer starts cleared, so a key that
// answers 0x9000 without data reports 0 rather than stale bytes.
uint64_t GetByte(DeviceContext *hDev, const char *function, Apdu apdu, const StatusTable &table, uint8_t *out) {
    TraceEnter(function);
    if (out == nullptr) return FP_E_BAD_ARGUMENT;
    const uint16_t statusWord = RunLocked(hDev, function, apdu);
    if (statusWord == SW_SUCCESS) *out = apdu.response[0];
    return table.Map(statusWord);
}

uint64_t GetSetting(DeviceContext *hDev, const char *function, uint8_t p1, uint8_t *out) {
    return GetByte(hDev, function, Apdu::Header(kCla, 0xF9, p1, kSettingsP2, 1), StatusTable{kGetterStatuses}, out);
}

}  // namespace

extern "C" {

int HXIsDactyl(DeviceContext *hDev) {
    TraceEnter("HXIsDactyl");
    Apdu apdu = Apdu::Header(kCla, 0xFA, 0x02, 0x00, 0x2F);
    return RunLocked(hDev, "HXIsDactyl", apdu) == SW_SUCCESS ? 1 : 0;
}

uint64_t HXDactylSelfTest(DeviceContext *hDev) {
    TraceEnter("HXDactylSelfTest");
    Apdu apdu = Apdu::Header(kCla, 0xFA, 0x01, 0x00, 0x02);
    return StatusTable{kSelfTestStatuses}.Map(RunLocked(hDev, "HXDactylSelfTest", apdu));
}

uint64_t HXDactylGetDeviceInfo(DeviceContext *hDev, uint8_t *info, uint64_t *infoLength) {
    static constexpr const char *kName = "HXDactylGetDeviceInfo";
    TraceEnter(kName);
    if (info == nullptr || infoLength == nullptr) return FP_E_BAD_ARGUMENT;
    LockToken lock(hDev);
    if (!lock.Held()) return StatusTable{kDeviceInfoStatuses}.Map(SW_LOCK_NOT_OBTAINED);
    Apdu apdu = Apdu::Header(kCla, 0xFA, 0x02, 0x00, 0x2F);
    const uint16_t statusWord = Transceive(hDev, kName, apdu);
    // Whatever the status, the caller gets the data of the answer (none on
    // most failures); the exchange never delivers more than 256 bytes.
    *infoLength = apdu.responseLength;
    std::memcpy(info, apdu.response, apdu.responseLength);
    return StatusTable{kDeviceInfoStatuses}.Map(statusWord);
}

uint64_t HXDactylSetVerifyMode(DeviceContext *hDev, uint8_t mode) {
    TraceEnter("HXDactylSetVerifyMode");
    if (mode > 2) return FP_E_BAD_ARGUMENT;
    Apdu apdu = Apdu::WithByte(kCla, 0xFE, 0x00, kSettingsP2, mode);
    return StatusTable{kSetVerifyModeStatuses}.Map(RunLocked(hDev, "HXDactylSetVerifyMode", apdu));
}

uint64_t HXDactylGetVerifyMode(DeviceContext *hDev, uint8_t *mode) {
    return GetByte(hDev, "HXDactylGetVerifyMode", Apdu::Header(kCla, 0xFE, 0x01, kSettingsP2, 1),
                   StatusTable{kGetterStatuses}, mode);
}

uint64_t HXDactylSetTimeOut(DeviceContext *hDev, uint8_t timeOut) {
    return SetSetting(hDev, "HXDactylSetTimeOut", kSetTimeOut, timeOut);
}

uint64_t HXDactylGetTimeOut(DeviceContext *hDev, uint8_t *timeOut) {
    return GetSetting(hDev, "HXDactylGetTimeOut", kGetTimeOut, timeOut);
}

uint64_t HXDactylSetSecLevel(DeviceContext *hDev, uint8_t level) {
    return SetSetting(hDev, "HXDactylSetSecLevel", kSetSecLevel, level);
}

uint64_t HXDactylGetSecLevel(DeviceContext *hDev, uint8_t *level) {
    return GetSetting(hDev, "HXDactylGetSecLevel", kGetSecLevel, level);
}

uint64_t HXDactylSetImageGain(DeviceContext *hDev, uint8_t gain) {
    return SetSetting(hDev, "HXDactylSetImageGain", kSetImageGain, gain);
}

uint64_t HXDactylGetImageGain(DeviceContext *hDev, uint8_t *gain) {
    return GetSetting(hDev, "HXDactylGetImageGain", kGetImageGain, gain);
}

uint64_t HXDactylGetSecState(DeviceContext *hDev, uint8_t *state) {
    // The state reads 0 ("not satisfied") unless the key says otherwise.
    if (state != nullptr) *state = 0;
    return GetByte(hDev, "HXDactylGetSecState", Apdu::Header(kCla, 0xF9, kGetSecState, 0x00, 1),
                   StatusTable{kSecurityStatuses}, state);
}

uint64_t HXDactylGetMaxTmpltNum(DeviceContext *hDev, uint8_t *capacity) {
    return GetByte(hDev, "HXDactylGetMaxTmpltNum", Apdu::Header(kCla, 0xF9, kGetCapacity, kSettingsP2, 1),
                   StatusTable{kSecurityStatuses}, capacity);
}
}
