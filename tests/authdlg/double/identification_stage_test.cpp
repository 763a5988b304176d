// The worker's identification stage: terminal answers end the dialog with
// their code; failures with retries left start a new pass.
#include "login_fixture.h"
#include "test_names.h"

namespace authdlg_test {
namespace {

using ::testing::ElementsAreArray;

const std::string kIdentifyFailed =
    "Login authentication fail,\nFingerprint Identification failure,\nPlease wait......";
const std::string kCompareFailed = "Login authentication fail,\nFingerprint comparison failure,Please wait......";
const std::string kCardLocked = "Card is locked.";

std::string RetryText(int retries) { return "Authentication failure may retry number:" + std::to_string(retries); }

struct TerminalCase {
    std::string name;
    uint64_t code;
    std::string text;  // empty: the label keeps "Feature Extraction successful"
};

// Parameters print as their names in test output.
void PrintTo(const TerminalCase &c, std::ostream *out) { *out << c.name; }

class TerminalIdentification : public LoginTest, public ::testing::WithParamInterface<TerminalCase> {};

TEST_P(TerminalIdentification, ShowsItsTextAndEndsWithTheCode) {
    const TerminalCase &c = GetParam();
    device().QueueCaptures({0});
    device().QueueIdentifications({{c.code}});
    DialogScript script;

    EXPECT_EQ(RunDialog(), c.code);

    std::vector<std::string> expected = {kPrompt, kSwipe, kCaptured, kExtracting, kExtracted};
    if (!c.text.empty()) expected.push_back(c.text);
    EXPECT_THAT(script.texts, ElementsAreArray(expected));
    EXPECT_EQ(device().Count("identify 0"), 1);
    EXPECT_EQ(g_CancelPressed.load(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, TerminalIdentification,
    ::testing::Values(
        TerminalCase{"SecurityStateUnsatisfied", 0x80006982,
                     "Login authentication fail,Security status not satisfied,\nRequired to log in first,"
                     "Please wait......"},
        TerminalCase{"CardLocked", 0x80006983, "Login authentication fail,\nCard locked."},
        TerminalCase{"PoorQuality", 0x80006A07, "Login authentication fail,Poor image quality."},
        TerminalCase{"TooFewFeatures", 0x80006A08, "Login authentication fail,\nImage feature points too little."},
        TerminalCase{"SmallArea", 0x80006A0B, "Login authentication fail,\nImage effective area of small."},
        TerminalCase{"NoImage", 0x80006A11, "Login authentication fail,\nImage data not available."},
        TerminalCase{"CacheNotEnabled", 0x80006A12,
                     "Login authentication fail,\nTemplate cache feature is not enabled."},
        TerminalCase{"CacheEmpty", 0x80006A13,
                     "Login authentication fail,\nThere is no effective template cache data."},
        TerminalCase{"FingerAuthenticationDisabled", 0x80006A14,
                     "Login authentication fail,\nFingerprint authentication feature is not enabled,\n"
                     "the current model for Password Authentication"},
        TerminalCase{"ParameterError", 0x8000B002, "Login authentication fail,\nParameter error."},
        TerminalCase{"UnknownAnswerKeepsTheText", 0x80006A80, ""}),
    fpkey_test::ByName());

TEST_F(LoginTest, FailureWithRetriesShowsTheCountAndStartsANewPass) {
    device().QueueCaptures({0, 0});
    device().QueueIdentifications({{FP_E_IDENTIFY_MISMATCH, 0, 3}, {0, 2}});
    DialogScript script;

    EXPECT_EQ(RunDialog(), 0u);

    EXPECT_THAT(script.texts, ElementsAreArray(std::vector<std::string>{
                                  kPrompt, kSwipe, kCaptured, kExtracting, kExtracted, kIdentifyFailed, RetryText(3),
                                  RetryText(3) + "\n\n" + kSwipe, kCaptured, kExtracting, kExtracted, Matched(2)}));
    EXPECT_EQ(dialog_->RetryTimes.load(), 3) << "the count last received from identification";
}

struct RetryEndCase {
    std::string name;
    Identification answer;
    uint8_t retryTimes;
};

// Parameters print as their names in test output.
void PrintTo(const RetryEndCase &c, std::ostream *out) { *out << c.name; }

class RetriesUsedUp : public LoginTest, public ::testing::WithParamInterface<RetryEndCase> {};

TEST_P(RetriesUsedUp, EndWithCardLockedAndTheIdentificationCode) {
    const RetryEndCase &c = GetParam();
    device().QueueCaptures({0});
    device().QueueIdentifications({c.answer});
    DialogScript script;

    EXPECT_EQ(RunDialog(), c.answer.code);

    ASSERT_GE(script.texts.size(), 2u);
    EXPECT_EQ(script.texts[script.texts.size() - 2],
              c.answer.code == FP_E_IDENTIFY_MISMATCH ? kIdentifyFailed : kCompareFailed);
    EXPECT_EQ(script.texts.back(), kCardLocked);
    EXPECT_EQ(dialog_->RetryTimes.load(), c.retryTimes);
}

INSTANTIATE_TEST_SUITE_P(Counts, RetriesUsedUp,
                         ::testing::Values(RetryEndCase{"NoRetriesLeft", {FP_E_IDENTIFY_MISMATCH, 0, 0}, 0},
                                           RetryEndCase{"CountAboveFifteen", {FP_E_IDENTIFY_MISMATCH, 0, 16}, 16},
                                           // The mismatch of a single template reports no count;
                                           // before any failure the count is 0.
                                           RetryEndCase{
                                               "MismatchWithoutACount", {FP_E_VERIFY_MISMATCH, 0, 9, false}, 0}),
                         fpkey_test::ByName());

TEST_F(LoginTest, MismatchWithoutACountKeepsTheLastCount) {
    device().QueueCaptures({0, 0, 0});
    device().QueueIdentifications({{FP_E_IDENTIFY_MISMATCH, 0, 2}, {FP_E_VERIFY_MISMATCH, 0, 9, false}, {0, 1}});
    DialogScript script;

    EXPECT_EQ(RunDialog(), 0u);

    EXPECT_EQ(std::count(script.texts.begin(), script.texts.end(), RetryText(2)), 2)
        << "both failures count down from the 2 the key last reported";
    EXPECT_EQ(dialog_->RetryTimes.load(), 2);
}

// A worker started after the PIN entry was given up finds the count an
// earlier worker of the dialog received.
TEST_F(LoginTest, LaterWorkerCountsOnFromTheDialogsLastRetries) {
    device().QueueCaptures({0, 0});
    device().QueueIdentifications({{FP_E_VERIFY_MISMATCH, 0, 9, false}, {0, 1}});
    DialogScript script;
    dialog_ = std::make_unique<WFingerPrint>(&context_, 1, 0);
    dialog_->RetryTimes.store(3);

    EXPECT_EQ(static_cast<uint32_t>(dialog_->exec()), 0u);
    dialog_->WaitForWorker();

    EXPECT_NE(std::find(script.texts.begin(), script.texts.end(), RetryText(3)), script.texts.end());
    EXPECT_EQ(dialog_->RetryTimes.load(), 3);
}

}  // namespace
}  // namespace authdlg_test
