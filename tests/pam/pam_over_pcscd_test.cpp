// pam_fpkey.so reaching the key behind a real pcscd, as it does a key in a
// USB reader: the simulated key is served to the process's private daemon.
#include <gtest/gtest.h>
#include <security/pam_appl.h>

#include <fstream>
#include <string>

#include "pam_driver.h"
#include "pcsc/key_fixture.h"
#include "test_names.h"

namespace {

struct PcscLogin {
    const char *name;
    bool emptyReader;  // the reader the module is pointed at holds no card
    int expected;
};

const PcscLogin kPcscLogins[] = {
    {"RightFingerOverPcscdLogsIn", false, PAM_SUCCESS},
    {"ReaderWithoutACardFallsThrough", true, PAM_AUTHINFO_UNAVAIL},
};

class PamOverPcscd : public pcsc_test::KeyBehindPcscd, public ::testing::WithParamInterface<PcscLogin> {};

TEST_P(PamOverPcscd, AnswersAsForAKeyInAReader) {
    Serve();
    OpenAndAuthenticate();
    ASSERT_EQ(Enroll(&key_, 1, "alice-right-index"), 0u);
    HXKeyClose(&key_);
    std::string status(HXSimStatusJson(&sensor_, nullptr, 0), '\0');
    HXSimStatusJson(&sensor_, status.data(), status.size());
    const size_t at = status.find("\"serialNumber\": \"");
    ASSERT_NE(at, std::string::npos) << status;
    const std::string serial = status.substr(at + 17, status.find('"', at + 17) - at - 17);

    const auto folder = state_.parent_path() / (state_.stem().string() + "-pam");
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "keys") << "alice:" << serial << "\n";
    // A PAM argument with blanks, as reader names have, is written in brackets.
    const std::string reader = GetParam().emptyReader ? daemon_->emptyReader() : daemon_->reader();
    const auto result = pam_test::LogIn(
        folder / "pam.d", "[device=pcsc:" + reader + "] authfile=" + (folder / "keys").string() + " timeout=5", "alice",
        {.sensorAddress = "sim:" + state_.string(), .fingers = {"alice-right-index"}});
    std::filesystem::remove_all(folder);
    EXPECT_EQ(result.pamResult, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Logins, PamOverPcscd, ::testing::ValuesIn(kPcscLogins), fpkey_test::ByName());

}  // namespace
