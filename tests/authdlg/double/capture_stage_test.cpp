// The worker's capture stage: each answer of the capture command, the text
// it shows and what follows.
#include "login_fixture.h"
#include "test_names.h"

namespace authdlg_test {
namespace {

using ::testing::ElementsAreArray;

struct CaptureCase {
    std::string name;
    uint64_t code;
    std::vector<std::string> texts;  // everything the dialog shows
    uint64_t result;
    int captures;
};

// Parameters print as their names in test output.
void PrintTo(const CaptureCase &c, std::ostream *out) { *out << c.name; }

const std::string kSecurityFirst = "Security status not satisfied,\nRequired to log in first......";
const std::string kRewipe = "\nPlease re-Waterloo wiping fingerprints......";

// A bad capture shows its text, then the next capture succeeds.
std::vector<std::string> RetriedWith(const std::string &text) {
    return {kPrompt, kSwipe, text, kSwipe, kCaptured, kExtracting, kExtracted, Matched(1)};
}

class CaptureStage : public LoginTest, public ::testing::WithParamInterface<CaptureCase> {};

TEST_P(CaptureStage, ShowsItsTextAndGoesOn) {
    const CaptureCase &c = GetParam();
    device().QueueCaptures({c.code, 0});
    DialogScript script;

    EXPECT_EQ(RunDialog(), c.result);

    EXPECT_FALSE(script.watchdogFired);
    EXPECT_THAT(script.texts, ElementsAreArray(c.texts));
    EXPECT_EQ(device().Count("capture"), c.captures);
    EXPECT_EQ(g_CancelPressed.load(), 0);
    EXPECT_EQ(dialog_->hThread.load(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, CaptureStage,
    ::testing::Values(
        CaptureCase{"PoorQualityCapturesAgain", 0x80006A07, RetriedWith("Poor image quality," + kRewipe), 0, 2},
        CaptureCase{"DirtySensorCapturesAgain", 0x80006A0A, RetriedWith("Acquisition Instrument dirty," + kRewipe), 0,
                    2},
        CaptureCase{"SmallAreaCapturesAgain", 0x80006A0B, RetriedWith("Image effective area of small," + kRewipe), 0,
                    2},
        // Nothing captured yet: the prompt stays as it is.
        CaptureCase{"FailedCaptureKeepsTheText", 0x80006A09, SuccessTexts(1), 0, 2},
        CaptureCase{"PendingCaptureKeepsTheText", 0x80006A0E, SuccessTexts(1), 0, 2},
        CaptureCase{
            "SecurityStateUnsatisfiedEndsAsLocked", 0x80006982, {kPrompt, kSwipe, kSecurityFirst}, 0x80006983, 1},
        CaptureCase{"UnknownAnswerEndsWithOtherFailure", 0x80006A80, {kPrompt, kSwipe}, 0x8000B001, 1},
        CaptureCase{"LockFailureEndsWithOtherFailure", 0x80009909, {kPrompt, kSwipe}, 0x8000B001, 1},
        // The key is gone, or its lock token is: nothing to capture again.
        CaptureCase{"TransportFailureEndsWithIt", 0x8000B001, {kPrompt, kSwipe}, 0x8000B001, 1}),
    fpkey_test::ByName());

}  // namespace
}  // namespace authdlg_test
