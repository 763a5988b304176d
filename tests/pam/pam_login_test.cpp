// pam_fpkey.so in process against a simulated key: one table of logins, each
// with the module's arguments, what the person does and what PAM answers.
#include <gtest/gtest.h>
#include <security/pam_appl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "fpdevice.h"
#include "hxkmgr.h"
#include "pam_driver.h"
#include "test_names.h"

namespace {

namespace fs = std::filesystem;
using Environment = std::vector<std::pair<const char *, const char *>>;

constexpr const char *kOwnFinger = "alice-right-index";
constexpr const char *kOtherFinger = "mallory-thumb";

struct LoginCase {
    const char *name;
    const char *arguments = "";  // after device=sim:KEY authfile=FILE
    const char *user = "alice";
    const char *authfile = "alice:{serial}\n";  // {serial} becomes the key's serial number
    mode_t authfileMode = 0644;
    std::optional<uint8_t> keyVerifyMode = std::nullopt;
    std::vector<std::string> fingers = {};
    std::vector<std::string> pins = {};
    Environment environment = {};  // the caller's, while PAM runs
    int expected = PAM_SUCCESS;
    const char *said = "";     // part of a message the person sees
    int fingerTriesLeft = -1;  // the key's counters afterwards; -1: not looked at
    int pinTriesLeft = -1;
};

constexpr uint8_t kPinKey = 0;

const LoginCase kLogins[] = {
    {.name = "RightFingerLogsIn",
     .fingers = {kOwnFinger},
     .said = "Place your finger on the key",
     .fingerTriesLeft = 5},
    {.name = "WrongFingerUntilTheLimitIsDeniedAndCountsOnTheKey",
     .arguments = "max_tries=3",
     .fingers = {kOtherFinger, kOtherFinger, kOtherFinger},
     .expected = PAM_AUTH_ERR,
     .said = "Finger not recognised, 2 attempts left on the key",
     .fingerTriesLeft = 2},
    {.name = "FingerCounterUsedUpIsMaxTries",
     .arguments = "max_tries=5",
     .fingers = {kOtherFinger, kOtherFinger, kOtherFinger, kOtherFinger, kOtherFinger},
     .expected = PAM_MAXTRIES,
     .said = "The key is locked for fingers",
     .fingerTriesLeft = 0},
    {.name = "RightPinLogsInOnAPinKey", .keyVerifyMode = kPinKey, .pins = {"123456"}, .pinTriesLeft = 3},
    {.name = "WrongPinShowsTheAttemptsLeft",
     .arguments = "max_tries=1",
     .keyVerifyMode = kPinKey,
     .pins = {"654321"},
     .expected = PAM_AUTH_ERR,
     .said = "Wrong PIN, 2 attempts left on the key",
     .pinTriesLeft = 2},
    {.name = "BlockedPinIsMaxTries",
     .keyVerifyMode = kPinKey,
     .pins = {"1", "2", "3"},
     .expected = PAM_MAXTRIES,
     .said = "The key's PIN is blocked",
     .pinTriesLeft = 0},
    {.name = "PinModeOnAFingerOnlyKeyIsDenied",
     .arguments = "mode=pin",
     .pins = {"123456"},
     .expected = PAM_AUTH_ERR,
     .said = "The key accepts only a finger",
     .pinTriesLeft = 3},
    {.name = "CancelledPinPromptIsAConversationError",
     .keyVerifyMode = kPinKey,
     .expected = PAM_CONV_ERR,
     .pinTriesLeft = 3},
    {.name = "NoFingerInTimeFallsThrough",
     .arguments = "timeout=1",
     .expected = PAM_AUTHINFO_UNAVAIL,
     .said = "No finger on the key in time",
     .fingerTriesLeft = 5},
    {.name = "NoKeyFallsThrough",
     .arguments = "device=sim:/nonexistent/fpkey/key.json",
     .fingers = {kOwnFinger},
     .expected = PAM_AUTHINFO_UNAVAIL},
    {.name = "UserWithoutMappingIsUnknown", .user = "carol", .fingers = {kOwnFinger}, .expected = PAM_USER_UNKNOWN},
    {.name = "UserWithoutMappingIsIgnoredWithNouserok",
     .arguments = "nouserok",
     .user = "carol",
     .fingers = {kOwnFinger},
     // The module ignores the user; libpam denies a stack in which every module did.
     .expected = PAM_PERM_DENIED},
    {.name = "AnotherUsersKeyIsDenied",
     .authfile = "alice:0123456789ABCDEF\nbob:{serial}\n",
     .fingers = {kOwnFinger},
     .expected = PAM_AUTH_ERR,
     .said = "This key is not registered for this user",
     .fingerTriesLeft = 5},
    {.name = "OneOfSeveralKeysWrittenInLowerCaseLogsIn",
     .authfile = "# keys\nalice: 0123456789ABCDEF , {serial-lower}\n",
     .authfileMode = 0600,
     .fingers = {kOwnFinger}},
    {.name = "AuthfileWritableByOthersIsRefused",
     .authfileMode = 0666,
     .fingers = {kOwnFinger},
     .expected = PAM_SERVICE_ERR,
     .fingerTriesLeft = 5},
    {.name = "AddressFromTheCallersHomeIsRefused",
     .arguments = "device=sim",
     .fingers = {kOwnFinger},
     .expected = PAM_SERVICE_ERR},
    {.name = "CallersEnvironmentIsIgnored",
     .fingers = {kOwnFinger},
     .environment = {{"FPKEY_DEVICE", "sim:/nonexistent/key.json"},
                     {"FPKEY_AUTH_KEY", "ffffffffffffffffffffffffffffffff"},
                     {"HOME", "/nonexistent"},
                     {"XDG_STATE_HOME", "/nonexistent"}}},
};

std::string Replaced(std::string text, const std::string &from, const std::string &to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

nlohmann::json KeyStatus(const std::string &address) {
    DeviceContext sensor{};
    EXPECT_EQ(HXKeyConnect(address.c_str(), HXKEY_SHARE_DIRECT, 0, &sensor), 0) << HXKeyLastError();
    std::string text(HXSimStatusJson(&sensor, nullptr, 0), '\0');
    HXSimStatusJson(&sensor, text.data(), text.size());
    HXKeyClose(&sensor);
    return nlohmann::json::parse(text.c_str());
}

// The caller's variables for the length of one login.
class CallerEnvironment {
public:
    explicit CallerEnvironment(const Environment &variables) {
        for (const auto &[name, value] : variables) {
            const char *old = std::getenv(name);
            saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
            setenv(name, value, 1);
        }
    }
    ~CallerEnvironment() {
        for (const auto &[name, value] : saved_) value ? setenv(name, value->c_str(), 1) : unsetenv(name);
    }

private:
    std::vector<std::pair<const char *, std::optional<std::string>>> saved_;
};

class PamLogin : public ::testing::TestWithParam<LoginCase> {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("fpkey-pam-" + std::to_string(getpid()) + "-" + GetParam().name);
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        address_ = "sim:" + (folder_ / "key.json").string();
        DeviceContext key{};
        ASSERT_EQ(HXKeyOpen(address_.c_str(), &key), 0) << HXKeyLastError();
        ASSERT_EQ(HXSCardAuthBio(&key), 0u);
        HXSimPlaceFinger(&key, kOwnFinger);
        for (uint8_t slot = 1; slot <= 3; ++slot) {
            ASSERT_EQ(HXDactylCaptureImage(&key), 0u);
            ASSERT_EQ(HXDactylFeatureExtract(&key, slot), 0u);
        }
        HXSimLiftFinger(&key);
        uint8_t description[20] = {0, 7};
        ASSERT_EQ(HXDactylFeatureEnroll(&key, 1, description), 0u);
        if (GetParam().keyVerifyMode) {
            ASSERT_EQ(HXDactylSetVerifyMode(&key, *GetParam().keyVerifyMode), 0u);
        }
        HXKeyClose(&key);
    }
    void TearDown() override { fs::remove_all(folder_); }

    fs::path folder_;
    std::string address_;
};

TEST_P(PamLogin, AnswersAsTheKeyAndTheMappingSay) {
    const LoginCase &login = GetParam();
    const std::string serial = KeyStatus(address_)["serialNumber"];
    std::string lower = serial;
    for (char &c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const fs::path authfile = folder_ / "keys";
    std::ofstream(authfile) << Replaced(Replaced(login.authfile, "{serial}", serial), "{serial-lower}", lower);
    fs::permissions(authfile, static_cast<fs::perms>(login.authfileMode));

    pam_test::LoginResult result;
    {
        const CallerEnvironment caller(login.environment);
        result = pam_test::LogIn(folder_ / "pam.d",
                                 "device=" + address_ + " authfile=" + authfile.string() + " " + login.arguments,
                                 login.user, {.sensorAddress = address_, .fingers = login.fingers, .pins = login.pins});
    }
    std::string transcript;
    for (const auto &message : result.messages) transcript += "\n  " + message;
    EXPECT_EQ(result.pamResult, login.expected) << "module said:" << transcript;
    if (*login.said) {
        EXPECT_TRUE(result.Said(login.said)) << "expected \"" << login.said << "\", got:" << transcript;
    }
    const auto status = KeyStatus(address_);
    if (login.fingerTriesLeft >= 0) {
        EXPECT_EQ(status["fingerTriesLeft"], login.fingerTriesLeft);
    }
    if (login.pinTriesLeft >= 0) {
        EXPECT_EQ(status["pinTriesLeft"], login.pinTriesLeft);
    }
}

INSTANTIATE_TEST_SUITE_P(Logins, PamLogin, ::testing::ValuesIn(kLogins), fpkey_test::ByName());

}  // namespace
