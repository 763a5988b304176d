#include "finger_check.h"

#include <chrono>
#include <string>
#include <thread>

#include "fpdevice/dactyl.h"

namespace pam_fpkey {
namespace {

using Clock = std::chrono::steady_clock;

constexpr uint8_t kFeatureSlot = 1;
constexpr uint8_t kIdentifyMode = 0;
// Between two asks whether a finger is on the sensor.
constexpr auto kSensorPoll = std::chrono::milliseconds(200);

constexpr uint64_t Status(uint16_t statusWord) { return FP_E_STATUS_BASE + statusWord; }

// Why an image was of no use, in the person's words; the person tries again.
struct Retake {
    uint64_t result;
    const char *text;
};
constexpr Retake kRetakes[] = {
    {Status(SW_POOR_IMAGE), "The image of the finger was poor: place it again"},
    {Status(SW_SENSOR_DIRTY), "The sensor is dirty: wipe it and place the finger again"},
    {Status(SW_AREA_TOO_SMALL), "Too little of the finger touched the sensor: place it flat again"},
    {Status(SW_TOO_FEW_FEATURES), "Too few features in the image: place the finger again"},
    {Status(SW_IMAGE_NOT_AVAILABLE), "The key lost the image: place the finger again"},
};

const char *RetakeText(uint64_t result) {
    for (const Retake &retake : kRetakes) {
        if (retake.result == result) return retake.text;
    }
    return nullptr;
}

enum class Take { kFeatures, kTimedOut, kFailed };

// Captures until the key has features of a finger in the slot, or the time is up.
Take TakeFeatures(DeviceContext *device, Clock::time_point deadline, Conversation &conversation, const ModuleLog &log) {
    for (;;) {
        uint64_t result = HXDactylCaptureImage(device);
        if (result == 0) result = HXDactylFeatureExtract(device, kFeatureSlot);
        if (result == 0) return Take::kFeatures;
        if (const char *text = RetakeText(result)) {
            conversation.Warn(text);
        } else if (result != FP_E_CAPTURE_PENDING && result != FP_E_CAPTURE_FAILED) {
            log.Error("capture or extraction failed with " + HexCode(result));
            return Take::kFailed;
        }
        if (Clock::now() + kSensorPoll > deadline) return Take::kTimedOut;
        std::this_thread::sleep_for(kSensorPoll);
    }
}

}  // namespace

LoginOutcome CheckFinger(DeviceContext *device, const ModuleOptions &options, Conversation &conversation,
                         const ModuleLog &log) {
    for (unsigned attempt = 1; attempt <= options.maxTries; ++attempt) {
        conversation.Inform("Place your finger on the key");
        const auto deadline = Clock::now() + std::chrono::seconds(options.timeoutSeconds);
        switch (TakeFeatures(device, deadline, conversation, log)) {
            case Take::kFeatures: break;
            case Take::kTimedOut:
                conversation.Warn("No finger on the key in time");
                log.Debug("no finger within " + std::to_string(options.timeoutSeconds) + " s");
                return LoginOutcome::kKeyUnavailable;
            case Take::kFailed: return LoginOutcome::kRejected;
        }
        uint8_t matched = 0;
        uint8_t attemptsLeft = 0;
        const uint64_t result = HXDactylFeatureIdentify(device, kIdentifyMode, &matched, &attemptsLeft);
        if (result == 0) {
            log.Debug("the finger matches template " + std::to_string(matched));
            return LoginOutcome::kVerified;
        }
        if (result == Status(SW_AUTH_METHOD_BLOCKED) ||
            ((result == FP_E_IDENTIFY_MISMATCH || result == FP_E_VERIFY_MISMATCH) && attemptsLeft == 0)) {
            conversation.Warn("The key is locked for fingers");
            return LoginOutcome::kBlocked;
        }
        if (result != FP_E_IDENTIFY_MISMATCH && result != FP_E_VERIFY_MISMATCH) {
            log.Error("identification failed with " + HexCode(result));
            return LoginOutcome::kRejected;
        }
        conversation.Warn("Finger not recognised, " + AttemptsLeft(attemptsLeft));
        log.Debug("finger not recognised, " + std::to_string(attemptsLeft) + " attempts left");
    }
    return LoginOutcome::kRejected;
}

}  // namespace pam_fpkey
