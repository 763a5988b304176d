// Status words the simulated key answers with, beyond those the host names
// in fpdevice/transport.h.
#ifndef SIMKEY_STATUS_WORDS_H
#define SIMKEY_STATUS_WORDS_H

#include <cstdint>

#include "fpdevice/transport.h"

namespace simkey::sw {

constexpr uint32_t kSuccess = SW_SUCCESS;
constexpr uint32_t kEndOfFileReached = 0x6282;    // fewer bytes left than asked for
constexpr uint32_t kAuthenticationFailed = 0x6300;
constexpr uint32_t kMemoryFailure = SW_MEMORY_FAILURE;  // the state could not be stored
constexpr uint32_t kWrongLength = SW_WRONG_LENGTH;
constexpr uint32_t kSecurityNotSatisfied = SW_SECURITY_NOT_SATISFIED;
constexpr uint32_t kBlocked = SW_AUTH_METHOD_BLOCKED;
constexpr uint32_t kConditionsNotSatisfied = 0x6985;
constexpr uint32_t kNoCurrentFile = 0x6986;
constexpr uint32_t kSensorDirty = SW_SENSOR_DIRTY;
constexpr uint32_t kCaptureNotComplete = SW_CAPTURE_NOT_COMPLETE;
constexpr uint32_t kEnrollFailed = SW_ENROLL_FAILED;
constexpr uint32_t kImageNotAvailable = SW_IMAGE_NOT_AVAILABLE;
constexpr uint32_t kCacheNotEnabled = SW_CACHE_NOT_ENABLED;
constexpr uint32_t kCacheEmpty = SW_CACHE_EMPTY;
constexpr uint32_t kFingerAuthDisabled = SW_FINGER_AUTH_DISABLED;
constexpr uint32_t kVerifyModeRefused = SW_VERIFY_MODE_REFUSED;
constexpr uint32_t kFingerMismatch = SW_FINGER_MISMATCH;
constexpr uint32_t kIncorrectData = SW_INCORRECT_DATA;
constexpr uint32_t kFileNotFound = SW_FILE_NOT_FOUND;
constexpr uint32_t kNotEnoughMemory = 0x6A84;
constexpr uint32_t kReferencedDataNotFound = 0x6A88;
constexpr uint32_t kFileExists = 0x6A89;
constexpr uint32_t kWrongP1P2 = SW_WRONG_P1P2;
constexpr uint32_t kWrongLe = 0x6C00;            // 0x6Cxx: xx bytes are available
constexpr uint32_t kMoreData = SW_MORE_DATA_BASE; // 0x61xx
constexpr uint32_t kVerifyFailed = SW_VERIFY_FAILED_BASE;  // 0x63Cx
constexpr uint32_t kUnknownInstruction = 0x6D00;
constexpr uint32_t kUnknownClass = 0x6E00;
constexpr uint32_t kNoDiagnosis = 0x6F00;

constexpr uint32_t triesLeft(unsigned left) { return kVerifyFailed | (left & 0x0Fu); }

}  // namespace simkey::sw

#endif
