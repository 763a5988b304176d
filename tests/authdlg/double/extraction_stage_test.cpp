// The worker's extraction stage: each answer of the extraction command.
#include "login_fixture.h"
#include "test_names.h"

namespace authdlg_test {
namespace {

using ::testing::ElementsAreArray;

struct ExtractionCase {
    std::string name;
    uint64_t code;
    uint8_t securityLevel;  // what the security state answers
    std::vector<std::string> texts;
    uint64_t result;
    int captures;
};

// Parameters print as their names in test output.
void PrintTo(const ExtractionCase &c, std::ostream *out) { *out << c.name; }

const std::string kRewipe = "\nPlease re-Waterloo wiping fingerprints......";
const std::string kParameterError = "Parameter error," + kRewipe;

std::vector<std::string> RetriedWith(const std::string &text) {
    return {kPrompt, kSwipe, kCaptured, kExtracting, text, kSwipe, kCaptured, kExtracting, kExtracted, Matched(1)};
}

class ExtractionStage : public LoginTest, public ::testing::WithParamInterface<ExtractionCase> {};

TEST_P(ExtractionStage, ShowsItsTextAndGoesOn) {
    const ExtractionCase &c = GetParam();
    device().QueueCaptures({0, 0});
    device().QueueExtractions({c.code});
    device().SetSecurityState(0, c.securityLevel);
    DialogScript script;

    EXPECT_EQ(RunDialog(), c.result);

    EXPECT_FALSE(script.watchdogFired);
    EXPECT_THAT(script.texts, ElementsAreArray(c.texts));
    EXPECT_EQ(device().Count("capture"), c.captures);
    EXPECT_EQ(g_CancelPressed.load(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, ExtractionStage,
    ::testing::Values(
        ExtractionCase{"PoorQualityCapturesAgain", 0x80006A07, 1, RetriedWith("Poor image quality," + kRewipe), 0, 2},
        ExtractionCase{"TooFewFeaturesCapturesAgain", 0x80006A08, 1,
                       RetriedWith("Image feature points too little," + kRewipe), 0, 2},
        ExtractionCase{"SmallAreaCapturesAgain", 0x80006A0B, 1, RetriedWith("Image effective area of small," + kRewipe),
                       0, 2},
        ExtractionCase{"NoImageCapturesAgain", 0x80006A11, 1, RetriedWith("Image data not available," + kRewipe), 0, 2},
        // An unknown answer leaves the label as it is and captures again.
        ExtractionCase{
            "UnknownAnswerCapturesAgain",
            0x80006A80,
            1,
            {kPrompt, kSwipe, kCaptured, kExtracting, kSwipe, kCaptured, kExtracting, kExtracted, Matched(1)},
            0,
            2},
        // A parameter error with the security state satisfied goes on to
        // identify without a new capture.
        ExtractionCase{"ParameterErrorWithSecurityIdentifies",
                       0x8000B002,
                       1,
                       {kPrompt, kSwipe, kCaptured, kExtracting, kParameterError, Matched(1)},
                       0,
                       1},
        ExtractionCase{"ParameterErrorWithoutSecurityCapturesAgain", 0x8000B002, 0, RetriedWith(kParameterError), 0, 2},
        // The label shows the text, then do_return empties it.
        ExtractionCase{"SecurityStateUnsatisfiedEnds",
                       0x80006982,
                       1,
                       {kPrompt, kSwipe, kCaptured, kExtracting,
                        "Security status not satisfied,\nRequired to log in first,Please wait......", ""},
                       0x80006982,
                       1}),
    fpkey_test::ByName());

TEST_F(LoginTest, ParameterErrorWithAFailedSecurityQueryCapturesAgain) {
    device().QueueCaptures({0, 0});
    device().QueueExtractions({0x8000B002});
    device().SetSecurityState(0x80006A80, 1);
    DialogScript script;

    EXPECT_EQ(RunDialog(), 0u);
    EXPECT_EQ(device().Count("capture"), 2);
}

}  // namespace
}  // namespace authdlg_test
