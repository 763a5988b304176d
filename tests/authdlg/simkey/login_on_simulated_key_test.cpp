// The login on the simulated key, through the real libfpdevice.so and the
// stand-in PKCS library, loaded as a host loads them.
#include <dlfcn.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <algorithm>

#include "authdlg.h"
#include "dialog_script.h"
#include "fpdevice.h"
#include "hxkmgr.h"
#include "test_names.h"

namespace authdlg_test {
namespace {

const QString kSwipe = "Please swipe fingerprint......";
const std::string kMatched2 = "Login authentication success,\nThe fingerprint matches No.2 fingerprint template";

class SimulatedKeyLogin : public ::testing::Test {
protected:
    void SetUp() override {
        // HXSCardVerifyUserPin comes from the PKCS library, which a host
        // loads with global visibility. (Here, not in a suite set-up, whose
        // failure would only skip the tests.) The full path: a dlopen
        // wrapped by a sanitizer misses the run path.
        const std::string pkcs = std::string(FPKEY_LIBRARY_DIR) + "/libhxpkcs.so";
        ASSERT_NE(dlopen(pkcs.c_str(), RTLD_NOW | RTLD_GLOBAL), nullptr) << dlerror();
        const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = info->name();
        std::replace(name.begin(), name.end(), '/', '_');  // parameterised tests
        path_ = std::filesystem::temp_directory_path() /
                ("fpkey-authdlg-" + std::to_string(getpid()) + "-" + name + ".json");
        std::filesystem::remove(path_);
        ASSERT_EQ(HXKeyOpen(("sim:" + path_.string()).c_str(), &key_), 0) << HXKeyLastError();
        ASSERT_EQ(HXSCardAuthBio(&key_), 0u);
        g_CancelPressed.store(0);
    }

    void TearDown() override {
        HXKeyClose(&key_);
        std::filesystem::remove(path_);
        std::filesystem::remove(path_.string() + ".lock");
    }

    void Enroll(uint8_t number, const char *finger) {
        HXSimPlaceFinger(&key_, finger);
        for (uint8_t slot = 1; slot <= 3; ++slot) {
            ASSERT_EQ(HXDactylCaptureImage(&key_), 0u);
            ASSERT_EQ(HXDactylFeatureExtract(&key_, slot), 0u);
        }
        HXSimLiftFinger(&key_);
        uint8_t description[20] = {};
        ASSERT_EQ(HXDactylFeatureEnroll(&key_, number, description), 0u);
    }

    // Puts `finger` on the sensor when the dialog shows `trigger`.
    void PlaceWhenAsked(DialogScript &script, const QString &trigger, const char *finger) {
        script.OnText(trigger, [this, finger](QDialog *) { HXSimPlaceFinger(&key_, finger); });
    }

    // The same, lifted again once a capture has taken it.
    void TouchWhenAsked(DialogScript &script, const QString &trigger, const char *finger) {
        script.OnText(trigger, [this, &script, finger](QDialog *) {
            HXSimPlaceFinger(&key_, finger);
            script.OnText("Image Acquisition success", [this](QDialog *) { HXSimLiftFinger(&key_); });
        });
    }

    uint64_t Login(uint8_t loginType = LOGIN_PROMPT, uint64_t flags = 0) {
        return HXLoginVerify(&key_, nullptr, loginType, flags, nullptr, &retryTimes_, 0);
    }

    std::filesystem::path path_;
    DeviceContext key_{};
    uint8_t retryTimes_ = 0;
};

TEST_F(SimulatedKeyLogin, EnrolledFingerLogsIn) {
    Enroll(2, "alice");
    DialogScript script;
    PlaceWhenAsked(script, kSwipe, "alice");

    EXPECT_EQ(Login(), 0u);

    EXPECT_THAT(script.texts, ::testing::ElementsAre("Please preess finger print to authenticate!", Str(kSwipe),
                                                     "Image Acquisition success,\nPlease wait......",
                                                     "Ongoing feature extraction,\nPlease wait......",
                                                     "Feature Extraction successful,\nPlease wait......", kMatched2));
    EXPECT_EQ(retryTimes_, 0);
}

TEST_F(SimulatedKeyLogin, UnknownFingerCountsDownThenTheEnrolledOneLogsIn) {
    Enroll(2, "alice");
    DialogScript script;
    TouchWhenAsked(script, kSwipe, "mallory");
    TouchWhenAsked(script, "Authentication failure may retry number:4", "alice");

    EXPECT_EQ(Login(), 0u);

    EXPECT_EQ(script.texts.back(), kMatched2);
    EXPECT_EQ(retryTimes_, 4) << "the key's count after the one failure";
}

TEST_F(SimulatedKeyLogin, UnknownFingerUntilTheKeyLocksEndsTheLogin) {
    Enroll(2, "alice");
    DialogScript script(30);
    PlaceWhenAsked(script, kSwipe, "mallory");

    // The last failure uses up the count: the key reads as blocked.
    EXPECT_EQ(Login(), LOGIN_E_LOCKED);

    EXPECT_FALSE(script.watchdogFired);
    EXPECT_EQ(script.texts.back(), "Login authentication fail,\nCard locked.");
    EXPECT_EQ(script.fingerprintDialogs, 1) << "a locked key is not asked again";
    for (int retries = 4; retries >= 1; --retries) {
        const std::string text = "Authentication failure may retry number:" + std::to_string(retries);
        EXPECT_NE(std::find(script.texts.begin(), script.texts.end(), text), script.texts.end()) << text;
    }
}

TEST_F(SimulatedKeyLogin, KeyWithoutTemplatesSaysSoAndCancels) {
    DialogScript script;
    script.OnText("No available", Act::Cancel);

    EXPECT_EQ(Login(), LOGIN_E_CANCELLED);
    EXPECT_EQ(script.texts.front(), "No available saved fingerpinrt template!");
}

TEST_F(SimulatedKeyLogin, PinModeKeyTakesTheFactoryPin) {
    ASSERT_EQ(HXDactylSetVerifyMode(&key_, 0), 0u);
    DialogScript script;
    script.AnswerPin({{Act::EnterPin, "000000"}, {Act::EnterPin, "123456"}});

    EXPECT_EQ(Login(), 0u);

    EXPECT_EQ(script.messageBoxes,
              (std::vector<std::string>{"Hexlumina|Verify PIN failed, this key will be LOCKED after2failed retry!",
                                        "Hexlumina|Success"}));
}

TEST_F(SimulatedKeyLogin, PinButtonOfTheFingerprintDialogUsesThePkcsLibrary) {
    Enroll(1, "alice");
    ASSERT_EQ(HXDactylSetVerifyMode(&key_, 2), 0u);
    DialogScript script;
    script.OnText(kSwipe, Act::PinButton);
    script.AnswerPin({{Act::EnterPin, "123456"}});

    EXPECT_EQ(Login(), 0u);
    EXPECT_TRUE(script.messageBoxes.empty());
}

struct CaptureAnswerCase {
    std::string name;
    uint32_t statusWord;  // what the key answers, from the next capture on
    const char *command;
    unsigned count;
    uint64_t result;
    std::string text;  // shown on the way
    std::vector<std::string> messageBoxes;
};

// Parameters print as their names in test output.
void PrintTo(const CaptureAnswerCase &c, std::ostream *out) { *out << c.name; }

class KeyAnsweringACapture : public SimulatedKeyLogin, public ::testing::WithParamInterface<CaptureAnswerCase> {};

// Each answer reaches its own row of the worker's table; none of them keeps
// the dialog asking for a finger until the user gives up.
TEST_P(KeyAnsweringACapture, ShowsItsTextAndEndsOrCapturesAgain) {
    const CaptureAnswerCase &c = GetParam();
    Enroll(2, "alice");
    DialogScript script;
    script.OnText(kSwipe, [this, &c](QDialog *) {
        ASSERT_EQ(HXSimInjectFault(&key_, c.statusWord, c.command, c.count), 0) << HXKeyLastError();
        HXSimPlaceFinger(&key_, "alice");
    });

    EXPECT_EQ(Login(), c.result);

    EXPECT_FALSE(script.watchdogFired);
    EXPECT_EQ(script.fingerprintDialogs, 1);
    EXPECT_NE(std::find(script.texts.begin(), script.texts.end(), c.text), script.texts.end()) << c.text;
    EXPECT_EQ(script.messageBoxes, c.messageBoxes);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, KeyAnsweringACapture,
    ::testing::Values(CaptureAnswerCase{"NotLoggedInEndsAsLocked",
                                        0x6982,
                                        "capture",
                                        1,
                                        LOGIN_E_LOCKED,
                                        "Security status not satisfied,\nRequired to log in first......",
                                        {}},
                      CaptureAnswerCase{"DirtySensorSaysSoAndCapturesAgain",
                                        0x6A0A,
                                        "capture",
                                        1,
                                        0,
                                        "Acquisition Instrument dirty,\nPlease re-Waterloo wiping fingerprints......",
                                        {}},
                      // The key is gone: the pass ends, and the next one cannot authenticate.
                      CaptureAnswerCase{"PulledKeyEndsThePass",
                                        0xFFFF,
                                        "any",
                                        1000,
                                        LOGIN_E_AUTH_FAILED,
                                        Str(kSwipe),
                                        {"Fingerprint Authenticate|Key can not be an external authentication"}}),
    fpkey_test::ByName());

TEST_F(SimulatedKeyLogin, WrongAuthenticationKeyFailsBeforeAnyDialog) {
    setenv("FPKEY_AUTH_KEY", "ffeeddccbbaa99887766554433221100", 1);
    DialogScript script;
    const uint64_t result = Login(LOGIN_PROMPT, LOGIN_FLAG_SILENT);
    unsetenv("FPKEY_AUTH_KEY");

    EXPECT_EQ(result, LOGIN_E_AUTH_FAILED);
    EXPECT_TRUE(script.messageBoxes.empty());
    EXPECT_EQ(script.fingerprintDialogs, 0);
}

}  // namespace
}  // namespace authdlg_test
