// HXLoginVerify's dispatch: verify mode x login type x silent flag, and the
// steps before it (external authentication, reading the verify mode).
#include "login_fixture.h"
#include "test_names.h"

namespace authdlg_test {
namespace {

enum class Shown { Nothing, PinDialog, FingerprintDialog };

struct DispatchCase {
    std::string name;
    uint8_t verifyMode;
    uint8_t loginType;
    uint64_t flags;
    uint64_t result;
    Shown shown;
    std::vector<std::string> messageBoxes;
};

// Parameters print as their names in test output.
void PrintTo(const DispatchCase &c, std::ostream *out) { *out << c.name; }

const std::string kCacheFail = "Hexlumina|Login with cache fail!";
constexpr uint64_t kSilent = LOGIN_FLAG_SILENT;

class Dispatch : public LoginTest, public ::testing::WithParamInterface<DispatchCase> {};

// Every dialog that appears is cancelled, so a prompt ends with 0x80006A82.
TEST_P(Dispatch, ChoosesByVerifyModeAndLoginType) {
    const DispatchCase &c = GetParam();
    device().SetVerifyMode(c.verifyMode);
    device().SetTemplates(10, {});
    DialogScript script;
    script.OnText(QString(), Act::Cancel);

    EXPECT_EQ(Login(c.loginType, c.flags), c.result);

    EXPECT_EQ(script.pinDialogs, c.shown == Shown::PinDialog ? 1 : 0);
    EXPECT_EQ(script.fingerprintDialogs, c.shown == Shown::FingerprintDialog ? 1 : 0);
    EXPECT_EQ(script.messageBoxes, c.messageBoxes);
    EXPECT_EQ(device().Count("auth"), 1) << "one pass only";
}

std::vector<DispatchCase> AllCases() {
    std::vector<DispatchCase> cases;
    const char *modeNames[] = {"Pin", "Finger", "FingerOrPin"};
    const char *typeNames[] = {"CacheOnly", "Prompt", "CacheOrPrompt"};
    for (uint8_t mode = 0; mode <= 2; ++mode) {
        for (uint8_t type = 0; type <= 2; ++type) {
            for (uint64_t flags : {uint64_t{0}, kSilent}) {
                DispatchCase c{std::string(modeNames[mode]) + typeNames[type] + (flags ? "Silent" : ""),
                               mode,
                               type,
                               flags,
                               LOGIN_E_CANCELLED,
                               mode == 0 ? Shown::PinDialog : Shown::FingerprintDialog,
                               {}};
                // Nothing is ever cached: cache-only fails, cache-first prompts.
                if (type == LOGIN_CACHE_ONLY) {
                    c.result = LOGIN_E_NO_CACHE;
                    c.shown = Shown::Nothing;
                    if (!flags) c.messageBoxes = {kCacheFail};
                }
                cases.push_back(c);
            }
        }
    }
    // Outside the table nothing is selected, and nothing is repeated.
    cases.push_back({"VerifyModeThree", 3, LOGIN_PROMPT, 0, LOGIN_E_NO_BRANCH, Shown::Nothing, {}});
    cases.push_back({"LoginTypeThree", 1, 3, 0, LOGIN_E_NO_BRANCH, Shown::Nothing, {}});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Table, Dispatch, ::testing::ValuesIn(AllCases()), fpkey_test::ByName());

struct ModeReadCase {
    std::string name;
    int dactyl;
    uint64_t modeResult;
};

// Parameters print as their names in test output.
void PrintTo(const ModeReadCase &c, std::ostream *out) { *out << c.name; }

class VerifyModeFallsBackToPin : public LoginTest, public ::testing::WithParamInterface<ModeReadCase> {};

TEST_P(VerifyModeFallsBackToPin, WhenTheKeyCannotTell) {
    device().SetDactyl(GetParam().dactyl);
    device().SetVerifyMode(1, GetParam().modeResult);
    DialogScript script;

    EXPECT_EQ(Login(), LOGIN_E_CANCELLED);
    EXPECT_EQ(script.pinDialogs, 1);
    EXPECT_EQ(script.fingerprintDialogs, 0);
}

INSTANTIATE_TEST_SUITE_P(Keys, VerifyModeFallsBackToPin,
                         ::testing::Values(ModeReadCase{"NoFingerprintApplication", 0, 0},
                                           // Only the low 16 bits of HXIsDactyl's answer count.
                                           ModeReadCase{"AnswerWithZeroLowBits", 0x10000, 0},
                                           ModeReadCase{"VerifyModeUnreadable", 1, 0x80006A80}),
                         fpkey_test::ByName());

TEST_F(LoginTest, FailedExternalAuthenticationEndsBeforeAskingTheKey) {
    device().SetAuthResult(0x80006A80);
    DialogScript script;

    EXPECT_EQ(Login(), LOGIN_E_AUTH_FAILED);
    EXPECT_EQ(device().Calls(), std::vector<std::string>{"auth"});
    EXPECT_EQ(script.messageBoxes,
              std::vector<std::string>{"Fingerprint Authenticate|Key can not be an external authentication"});
}

TEST_F(LoginTest, FailedExternalAuthenticationIsSilentWhenAsked) {
    device().SetAuthResult(0x80006A80);
    DialogScript script;

    EXPECT_EQ(Login(LOGIN_PROMPT, LOGIN_FLAG_SILENT), LOGIN_E_AUTH_FAILED);
    EXPECT_TRUE(script.messageBoxes.empty());
}

TEST_F(LoginTest, NullRetryTimesIsAllowed) {
    device().SetTemplates(10, {});
    DialogScript script;
    script.OnText(QString(), Act::Cancel);
    EXPECT_EQ(HXLoginVerify(&context_, nullptr, LOGIN_PROMPT, 0, nullptr, nullptr, 0), LOGIN_E_CANCELLED);
}

}  // namespace
}  // namespace authdlg_test
