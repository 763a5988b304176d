// What the tests of the double share: a fresh script of the key, and ways to
// run the login or one fingerprint dialog.
#ifndef AUTHDLG_TESTS_LOGIN_FIXTURE_H
#define AUTHDLG_TESTS_LOGIN_FIXTURE_H

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "authdlg.h"
#include "dialog_script.h"
#include "fpdevice/dactyl.h"
#include "scripted_device.h"
#include "wfingerprint.h"

namespace authdlg_test {

// The worker's texts, as the user reads them.
inline const std::string kPrompt = "Please preess finger print to authenticate!";
inline const std::string kNoTemplate = "No available saved fingerpinrt template!";
inline const std::string kSwipe = "Please swipe fingerprint......";
inline const std::string kCaptured = "Image Acquisition success,\nPlease wait......";
inline const std::string kExtracting = "Ongoing feature extraction,\nPlease wait......";
inline const std::string kExtracted = "Feature Extraction successful,\nPlease wait......";

inline std::string Matched(int number) {
    return "Login authentication success,\nThe fingerprint matches No." + std::to_string(number) +
           " fingerprint template";
}

// The texts of a pass that captures, extracts and identifies at once.
inline std::vector<std::string> SuccessTexts(int number) {
    return {kPrompt, kSwipe, kCaptured, kExtracting, kExtracted, Matched(number)};
}

class LoginTest : public ::testing::Test {
protected:
    void SetUp() override {
        device().Reset(1);
        g_CancelPressed.store(0);
    }

    ScriptedDevice &device() { return ScriptedDevice::Get(); }

    uint64_t Login(uint8_t loginType = LOGIN_PROMPT, uint64_t flags = 0) {
        return HXLoginVerify(&context_, nullptr, loginType, flags, nullptr, &retryTimes_, 0);
    }

    // One fingerprint dialog, run modally; its result as a code.
    uint64_t RunDialog(uint8_t verifyMode = 1, uint64_t flags = 0) {
        dialog_ = std::make_unique<WFingerPrint>(&context_, verifyMode, flags);
        const uint64_t code = static_cast<uint32_t>(dialog_->exec());
        dialog_->WaitForWorker();
        return code;
    }

    DeviceContext context_{};
    uint8_t retryTimes_ = 0xEE;
    std::unique_ptr<WFingerPrint> dialog_;
};

}  // namespace authdlg_test

#endif
