// Capture, feature extraction, verification and identification on the key.
#include "api/command_frame.h"

using namespace fpdevice;

namespace {

constexpr uint8_t kCla = 0x80;
constexpr uint8_t kMatchP1Normal = 0x06;
constexpr uint8_t kMatchP1ModeOne = 0x16;
constexpr uint8_t kMatchP1Test = 0x26;
constexpr uint8_t kLockMarkOffset = 0x68;  // the 4 bytes read and written back
constexpr uint8_t kLockMarkBit = 0x04;     // in byte 0x6A, the third of them

// A polling caller captures again on 0x80006A09 and 0x80006A0E only. What
// another capture cannot cure is passed on: the key's reasons as they are,
// and a key that is gone or a capture that could not even be sent as a
// failure of its own, so that the poll ends.
constexpr StatusEntry kCaptureStatuses[] = {
    Recognised(SW_CAPTURE_NOT_COMPLETE),
    Recognised(SW_SECURITY_NOT_SATISFIED),
    Recognised(SW_POOR_IMAGE),
    Recognised(SW_SENSOR_DIRTY),
    Recognised(SW_AREA_TOO_SMALL),
    {SW_LOCK_NOT_OBTAINED, FP_E_UNKNOWN_STATUS},
    {SW_TRANSPORT_FAILURE, FP_E_UNKNOWN_STATUS},
};
constexpr StatusEntry kExtractStatuses[] = {Recognised(SW_SECURITY_NOT_SATISFIED), Recognised(SW_POOR_IMAGE),
                                            Recognised(SW_TOO_FEW_FEATURES), Recognised(SW_AREA_TOO_SMALL),
                                            Recognised(SW_IMAGE_NOT_AVAILABLE)};

#define FP_MATCH_FAILURES                                                                                    \
    Recognised(SW_SECURITY_NOT_SATISFIED), Recognised(SW_POOR_IMAGE), Recognised(SW_TOO_FEW_FEATURES),       \
        Recognised(SW_AREA_TOO_SMALL), Recognised(SW_IMAGE_NOT_AVAILABLE), Recognised(SW_CACHE_NOT_ENABLED), \
        Recognised(SW_CACHE_EMPTY), Recognised(SW_FINGER_AUTH_DISABLED)

constexpr StatusEntry kVerifyStatuses[] = {
    {SW_VERIFY_FAILED_BASE, FP_E_VERIFY_MISMATCH}, Recognised(SW_AUTH_METHOD_BLOCKED), FP_MATCH_FAILURES};
constexpr StatusEntry kIdentifyStatuses[] = {
    {SW_VERIFY_FAILED_BASE, FP_E_IDENTIFY_MISMATCH}, Recognised(SW_AUTH_METHOD_BLOCKED), FP_MATCH_FAILURES};
// The test match keeps no retry count, so a blocked method is not one of its answers.
constexpr StatusEntry kTestOneStatuses[] = {
    {SW_VERIFY_FAILED_BASE, FP_E_VERIFY_MISMATCH}, {SW_FINGER_MISMATCH, FP_E_VERIFY_MISMATCH}, FP_MATCH_FAILURES};
constexpr StatusEntry kTestAllStatuses[] = {
    {SW_VERIFY_FAILED_BASE, FP_E_IDENTIFY_MISMATCH}, {SW_FINGER_MISMATCH, FP_E_IDENTIFY_MISMATCH}, FP_MATCH_FAILURES};
#undef FP_MATCH_FAILURES

uint8_t MatchP1(uint8_t matchMode) { return matchMode == 1 ? kMatchP1ModeOne : kMatchP1Normal; }

// Sets bit 0x04 of byte 0x6A of file 0x4000 by read-modify-write, under
// the token the matching command holds. Failures stay silent: the caller
// reports the blocked method whatever happens here.
void SetLockMark(DeviceContext *hDev, const char *function) {
    Apdu select = Apdu::Header(0x00, 0xA4, 0x00, 0x00, 0x02);
    select.command[5] = static_cast<uint8_t>(FP_LOCK_MARK_FILE_ID >> 8);
    select.command[6] = static_cast<uint8_t>(FP_LOCK_MARK_FILE_ID & 0xFF);
    select.commandLength = 7;
    if (Transceive(hDev, function, select) != SW_SUCCESS) return;

    Apdu read = Apdu::Header(0x00, 0xB0, 0x00, kLockMarkOffset, 0x04);
    // Writing back fewer than four bytes read would put garbage on the key.
    if (Transceive(hDev, function, read) != SW_SUCCESS || read.responseLength < 4) return;

    Apdu update = Apdu::Header(0x00, 0xD6, 0x00, kLockMarkOffset, 0x04);
    update.command[5] = read.response[0];
    update.command[6] = read.response[1];
    update.command[7] = static_cast<uint8_t>(read.response[2] | kLockMarkBit);
    update.command[8] = read.response[3];
    update.commandLength = 9;
    Transceive(hDev, function, update);
}

// What verification and identification do with a failed match: no attempts
// left or a blocked method sets the lock mark and reads as blocked; a count
// of attempts left is handed to the caller.
uint16_t AccountFailedMatch(DeviceContext *hDev, const char *function, uint16_t statusWord, uint8_t *attemptsLeft) {
    if (statusWord == SW_VERIFY_FAILED_BASE || statusWord == SW_AUTH_METHOD_BLOCKED) {
        *attemptsLeft = 0;
        SetLockMark(hDev, function);
        return SW_AUTH_METHOD_BLOCKED;
    }
    if ((statusWord & 0xFFF0u) == SW_VERIFY_FAILED_BASE) {
        *attemptsLeft = static_cast<uint8_t>(statusWord & 0x0F);
        return SW_VERIFY_FAILED_BASE;
    }
    return statusWord;
}

// Sends one matching command and accounts a failure, all under one token.
uint16_t Match(DeviceContext *hDev, const char *function, Apdu &apdu, uint8_t *attemptsLeft) {
    LockToken lock(hDev);
    if (!lock.Held()) return SW_LOCK_NOT_OBTAINED;
    return AccountFailedMatch(hDev, function, Transceive(hDev, function, apdu), attemptsLeft);
}

// Verification and the test match refuse a template number beyond the
// capacity before anything else is sent; a capacity that cannot be read
// ends the call with the reader's code.
uint64_t CheckTemplateNumber(DeviceContext *hDev, uint8_t templateNumber) {
    uint8_t capacity = 0;
    const uint64_t read = HXDactylGetMaxTmpltNum(hDev, &capacity);
    if (read != FP_OK) return read;
    return templateNumber > capacity ? FP_E_BAD_ARGUMENT : FP_OK;
}

}  // namespace

extern "C" {

uint64_t HXDactylCaptureImage(DeviceContext *hDev) {
    Apdu apdu = Apdu::Header(kCla, 0xFA, 0x00, 0x00, 0x02);
    LockToken lock(hDev);
    uint16_t statusWord = SW_LOCK_NOT_OBTAINED;
    if (lock.Held()) {
        apdu.responseLength = kResponseCapacity;
        statusWord = static_cast<uint16_t>(
            SCardAPDU(hDev, apdu.command, apdu.commandLength, apdu.response, &apdu.responseLength));
    }
    return StatusTable{kCaptureStatuses, FP_E_CAPTURE_FAILED}.Map(statusWord);
}

uint64_t HXDactylFeatureExtract(DeviceContext *hDev, uint8_t slot) {
    TraceEnter("HXDactylFeatureExtract");
    if (slot == 0 || slot > 3) return FP_E_BAD_ARGUMENT;
    Apdu apdu = Apdu::Header(kCla, 0xFB, 0x00, slot, 0x02);
    return StatusTable{kExtractStatuses}.Map(RunLocked(hDev, "HXDactylFeatureExtract", apdu));
}

uint64_t HXDactylFeatureVerify(DeviceContext *hDev, uint8_t matchMode, uint8_t templateNumber, uint8_t *attemptsLeft) {
    static constexpr const char *kName = "HXDactylFeatureVerify";
    TraceEnter(kName);
    if (attemptsLeft == nullptr) return FP_E_BAD_ARGUMENT;
    // Template number 0 is passed to the key as it is.
    if (const uint64_t refused = CheckTemplateNumber(hDev, templateNumber)) return refused;
    Apdu apdu = Apdu::Header(kCla, 0xFD, MatchP1(matchMode), templateNumber, 0x01);
    return StatusTable{kVerifyStatuses}.Map(Match(hDev, kName, apdu, attemptsLeft));
}

uint64_t HXDactylFeatureIdentify(DeviceContext *hDev, uint8_t matchMode, uint8_t *matchedNumber,
                                 uint8_t *attemptsLeft) {
    static constexpr const char *kName = "HXDactylFeatureIdentify";
    TraceEnter(kName);
    if (matchedNumber == nullptr || attemptsLeft == nullptr) return FP_E_BAD_ARGUMENT;
    Apdu apdu = Apdu::Header(kCla, 0xFD, MatchP1(matchMode), 0x00, 0x01);
    const uint16_t statusWord = Match(hDev, kName, apdu, attemptsLeft);
    if (statusWord == SW_SUCCESS) *matchedNumber = apdu.response[0];
    return StatusTable{kIdentifyStatuses}.Map(statusWord);
}

uint64_t HXDactylFeatureVerifyTest(DeviceContext *hDev, uint16_t oneTemplate, uint8_t *templateNumber) {
    static constexpr const char *kName = "HXDactylFeatureVerifyTest";
    TraceEnter(kName);
    if (templateNumber == nullptr) return FP_E_BAD_ARGUMENT;
    // Without the flag the number is not checked, but the capacity is still read.
    if (const uint64_t refused = CheckTemplateNumber(hDev, oneTemplate != 0 ? *templateNumber : 0)) return refused;

    const bool selected = oneTemplate != 0 && *templateNumber != 0;
    Apdu apdu = Apdu::Header(kCla, 0xFD, kMatchP1Test, selected ? *templateNumber : 0x00, 0x01);
    uint16_t statusWord = RunLocked(hDev, kName, apdu);
    if ((statusWord & 0xFFF0u) == SW_VERIFY_FAILED_BASE) statusWord = SW_VERIFY_FAILED_BASE;
    if (statusWord == SW_SUCCESS && !selected) *templateNumber = apdu.response[0];
    return StatusTable{selected ? kTestOneStatuses : kTestAllStatuses}.Map(statusWord);
}
}
