// How HXLoginVerify reads the fingerprint dialog's result: which results
// end the login and which start a new pass, with and without the
// single-pass flag.
#include "login_fixture.h"
#include "test_names.h"

namespace authdlg_test {
namespace {

struct RepeatCase {
    std::string name;
    Identification firstPass;  // how identification ends the first dialog
    uint64_t flags;
    uint64_t result;
    int dialogs;
    uint8_t retryTimes;
};

// Parameters print as their names in test output.
void PrintTo(const RepeatCase &c, std::ostream *out) { *out << c.name; }

class RepeatRule : public LoginTest, public ::testing::WithParamInterface<RepeatCase> {};

// A repeated pass succeeds, so a repeat shows as result 0 after two dialogs.
TEST_P(RepeatRule, DecidesOnANewPass) {
    const RepeatCase &c = GetParam();
    device().QueueCaptures({0, 0});
    device().QueueIdentifications({c.firstPass, {0, 1}});
    DialogScript script;

    EXPECT_EQ(Login(LOGIN_PROMPT, c.flags), c.result);

    EXPECT_EQ(script.fingerprintDialogs, c.dialogs);
    EXPECT_EQ(device().Count("auth"), c.dialogs) << "each pass authenticates the key again";
    EXPECT_EQ(retryTimes_, c.retryTimes);
}

constexpr uint64_t kSinglePass = LOGIN_FLAG_SINGLE_PASS;

INSTANTIATE_TEST_SUITE_P(
    Results, RepeatRule,
    ::testing::Values(RepeatCase{"UndecidedPassIsRepeated", {0x80006A11}, 0, 0, 2, 0},
                      RepeatCase{"UndecidedPassWithSinglePassFlagEnds", {0x80006A11}, kSinglePass, 0x80006A11, 1, 0},
                      RepeatCase{"SilentFlagStillRepeats", {0x80006A07}, LOGIN_FLAG_SILENT, 0, 2, 0},
                      RepeatCase{"LockedKeyEnds", {0x80006983, 0, 0}, 0, 0x80006983, 1, 0},
                      RepeatCase{"MismatchWithoutRetriesEnds", {FP_E_IDENTIFY_MISMATCH, 0, 0}, 0, 0x800063C0, 1, 0},
                      // "Card is locked." with a count above 15: the count is ORed in.
                      // The count comes from the last dialog, which had no failure.
                      RepeatCase{"MismatchWithLargeCountIsRepeated", {FP_E_IDENTIFY_MISMATCH, 0, 20}, 0, 0, 2, 0},
                      RepeatCase{"MismatchWithLargeCountAndSinglePassEnds",
                                 {FP_E_IDENTIFY_MISMATCH, 0, 20},
                                 kSinglePass,
                                 0x800063C0u | 20u,
                                 1,
                                 20}),
    fpkey_test::ByName());

TEST_F(LoginTest, CaptureRefusedForSecurityEndsAsLockedWithoutRepeat) {
    device().QueueCaptures({0x80006982});
    DialogScript script;

    EXPECT_EQ(Login(), LOGIN_E_LOCKED);
    EXPECT_EQ(script.fingerprintDialogs, 1);
}

TEST_F(LoginTest, RetryCountOfTheLastPassIsHandedBack) {
    device().QueueCaptures({0, 0});
    device().QueueIdentifications({{FP_E_IDENTIFY_MISMATCH, 0, 4}, {0, 1}});
    DialogScript script;

    EXPECT_EQ(Login(), 0u);
    EXPECT_EQ(retryTimes_, 4);
}

}  // namespace
}  // namespace authdlg_test
