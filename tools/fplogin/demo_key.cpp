#include "demo_key.h"

#include <cstdio>
#include <vector>

#include "hxkmgr.h"
#include "result_meaning.h"

namespace fplogin {
namespace {

constexpr uint8_t kEnrolmentSlots = 3;

// One capture of `finger` into a feature slot.
uint64_t CaptureInto(const DeviceFunctions &device, DeviceContext *key, const std::string &finger, uint8_t slot) {
    HXSimPlaceFinger(key, finger.c_str());
    uint64_t result = device.captureImage(key);
    if (result == 0) result = device.featureExtract(key, slot);
    HXSimLiftFinger(key);
    return result;
}

bool Failed(const std::string &what, uint64_t result, std::string *error) {
    if (result == 0) return false;
    *error = what + ": " + fpkey::DescribeResult(result);
    return true;
}

}  // namespace

uint8_t EnsureEnrolled(const DeviceFunctions &device, DeviceContext *key, const std::string &finger,
                       std::string *error) {
    if (Failed("external authentication", device.authBio(key), error)) return 0;
    // A test match counts no retries, so asking does not wear the key down.
    if (Failed("capture", CaptureInto(device, key, finger, 1), error)) return 0;
    uint8_t number = 0;
    if (device.featureVerifyTest(key, 0, &number) == 0) return number;

    uint8_t capacity = 0;
    if (Failed("template capacity", device.getMaxTmpltNum(key, &capacity), error)) return 0;
    std::vector<uint8_t> index(FP_INDEX_MAX_BYTES);
    if (Failed("template index", device.readIndexFile(key, index.data()), error)) return 0;
    number = 0;
    for (uint8_t candidate = 1; candidate <= capacity && number == 0; ++candidate) {
        if (!FpIndexEntryEnrolled(index.data() + FP_INDEX_ENTRY_OFFSET(candidate))) number = candidate;
    }
    if (number == 0) {
        *error = "every template of the key is in use (fpkey delete N frees one)";
        return 0;
    }
    for (uint8_t slot = 1; slot <= kEnrolmentSlots; ++slot) {
        if (Failed("capture", CaptureInto(device, key, finger, slot), error)) return 0;
    }
    uint8_t description[FP_INDEX_ENTRY_SIZE] = {};
    FpIndexEntrySetCallerData(description, reinterpret_cast<const uint8_t *>(finger.data()), finger.size());
    if (Failed("enrolment", device.featureEnroll(key, number, description), error)) return 0;
    return number;
}

VerifyModeRestorer::~VerifyModeRestorer() {
    uint8_t current = original_;
    // The login may have left the key unauthenticated; the setter needs it.
    device_.authBio(key_);
    if (device_.getVerifyMode(key_, &current) == 0 && current == original_) return;
    if (device_.setVerifyMode(key_, original_) != 0) {
        std::fprintf(stderr, "fplogin: could not give the key its verify mode %u back\n", original_);
    }
}

}  // namespace fplogin
