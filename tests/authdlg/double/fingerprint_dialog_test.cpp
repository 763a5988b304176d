// The fingerprint dialog: what it shows by verify mode and template index,
// and its PIN button.
#include "login_fixture.h"
#include "test_names.h"

namespace authdlg_test {
namespace {

const std::string kPinMode = "Verify mode is password verify mode,Please input PIN!";

struct ShowCase {
    std::string name;
    uint8_t verifyMode;
    uint8_t capacity;
    std::vector<uint8_t> enrolled;
    uint64_t indexResult;
    std::string text;
    bool pinButton;
    bool worker;
};

// Parameters print as their names in test output.
void PrintTo(const ShowCase &c, std::ostream *out) { *out << c.name; }

class DialogShown : public LoginTest, public ::testing::WithParamInterface<ShowCase> {};

TEST_P(DialogShown, PromptsByVerifyModeAndIndex) {
    const ShowCase &c = GetParam();
    device().SetTemplates(c.capacity, c.enrolled, 0, c.indexResult);
    DialogScript script;
    bool buttonShown = false;
    bool buttonEnabled = false;
    bool workerRuns = false;
    script.OnText(QString(), [&](QDialog *dialog) {
        auto *fingerprint = static_cast<WFingerPrint *>(dialog);
        buttonShown = fingerprint->pinmodebutton->isVisible();
        buttonEnabled = fingerprint->pinmodebutton->isEnabled();
        workerRuns = fingerprint->hThread.load() != 0;
        Perform(dialog, Act::Cancel);
    });

    EXPECT_EQ(RunDialog(c.verifyMode), LOGIN_E_CANCELLED);

    ASSERT_FALSE(script.texts.empty());
    EXPECT_EQ(script.texts.front(), c.text);
    EXPECT_EQ(buttonShown, c.pinButton);
    EXPECT_EQ(buttonEnabled, c.pinButton);
    // The index is read in every mode.
    const bool listed = c.indexResult == 0 && !c.enrolled.empty();
    EXPECT_EQ(dialog_->nHaveTemplate, listed ? 1 : 0);
    EXPECT_EQ(workerRuns, c.worker);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, DialogShown,
    ::testing::Values(ShowCase{"PinModeAsksForThePin", 0, 10, {1}, 0, kPinMode, true, false},
                      ShowCase{"FingerModeWithTemplate", 1, 10, {7}, 0, kPrompt, false, true},
                      ShowCase{"FingerModeWithoutTemplate", 1, 10, {}, 0, kNoTemplate, false, false},
                      ShowCase{"EitherModeWithTemplate", 2, 10, {10}, 0, kPrompt, true, true},
                      ShowCase{"EitherModeWithoutTemplate", 2, 10, {}, 0, kNoTemplate, true, false},
                      ShowCase{"NoSlots", 1, 0, {}, 0, kNoTemplate, false, false},
                      ShowCase{"UnreadableIndex", 1, 10, {1}, FP_E_INDEX_READ, kNoTemplate, false, false}),
    fpkey_test::ByName());

TEST_F(LoginTest, OnlyAFirstByteOfOneMarksAnEnrolledFinger) {
    device().SetTemplates(3, {});
    device().SetIndexMarker(1, 2);
    device().SetIndexMarker(3, 0xFF);
    DialogScript script;
    script.OnText(QString(), Act::Cancel);

    EXPECT_EQ(RunDialog(), LOGIN_E_CANCELLED);
    EXPECT_EQ(script.texts.front(), kNoTemplate);
}

class PinButton : public LoginTest {
protected:
    void SetUp() override {
        LoginTest::SetUp();
        device().Reset(2);
        device().SetTemplates(10, {});  // no worker runs
    }
};

TEST_F(PinButton, AcceptedPinEndsTheDialogWithZero) {
    DialogScript script;
    script.OnText(QString(), Act::PinButton);
    script.AnswerPin({{Act::EnterPin, "9876"}});

    EXPECT_EQ(RunDialog(2), 0u);
    EXPECT_EQ(device().Pins(), std::vector<std::string>{"pkcs:9876"});
    EXPECT_TRUE(script.messageBoxes.empty());
}

TEST_F(PinButton, WrongPinWarnsWithSpacesAndAsksAgain) {
    device().QueuePinAnswers({{0x800063C1, 0x63C1}});
    DialogScript script;
    script.OnText(QString(), Act::PinButton);
    script.AnswerPin({{Act::EnterPin, "1111"}, {Act::EnterPin, "9876"}});

    EXPECT_EQ(RunDialog(2), 0u);
    EXPECT_EQ(script.messageBoxes,
              std::vector<std::string>{"Hexlumina|Verify PIN failed, this key will be LOCKED after 1 failed retry!"});
    EXPECT_EQ(script.pinDialogs, 2);
}

struct LockedCase {
    std::string name;
    PinAnswerOfKey answer;
};

// Parameters print as their names in test output.
void PrintTo(const LockedCase &c, std::ostream *out) { *out << c.name; }

class PinButtonLocked : public PinButton, public ::testing::WithParamInterface<LockedCase> {};

// A locked key ends the fingerprint dialog as locked, as the PIN login does.
TEST_P(PinButtonLocked, EndsTheDialogAsLocked) {
    device().QueuePinAnswers({GetParam().answer});
    DialogScript script;
    script.OnText(QString(), Act::PinButton);
    script.AnswerPin({{Act::EnterPin, "1111"}});

    EXPECT_EQ(RunDialog(2), LOGIN_E_LOCKED);
    EXPECT_EQ(script.messageBoxes, std::vector<std::string>{"Hexlumina|Key locked!"});
    EXPECT_EQ(script.pinDialogs, 1);
}

INSTANTIATE_TEST_SUITE_P(Answers, PinButtonLocked,
                         ::testing::Values(LockedCase{"Blocked", {0x80006983, 0x6983}},
                                           LockedCase{"NoTriesLeft", {0x800063C0, 0x63C0}}),
                         fpkey_test::ByName());

TEST_F(PinButton, OtherStatusLeavesTheDialogOpenWithoutWorker) {
    device().QueuePinAnswers({{0x80006A80, 0x6A80}});
    DialogScript script;
    script.AnswerPin({{Act::EnterPin, "1111"}});
    bool openAfterPin = false;
    script.OnText(QString(), [&](QDialog *dialog) {
        Perform(dialog, Act::PinButton);  // returns when the PIN path has ended
        openAfterPin = dialog->isVisible();
        Perform(dialog, Act::Cancel);
    });

    EXPECT_EQ(RunDialog(2), LOGIN_E_CANCELLED);
    EXPECT_TRUE(openAfterPin);
    EXPECT_EQ(script.messageBoxes,
              std::vector<std::string>{
                  "Hexlumina|Can NOT verify this key, please check whether this key had been initialized correctly!"});
    EXPECT_EQ(device().Count("capture"), 0);
}

TEST_F(PinButton, PinEntryGivenUpWithoutTemplateStartsNoWorker) {
    DialogScript script;
    script.AnswerPin({{Act::Cancel, ""}});
    script.OnText(QString(), [&](QDialog *dialog) {
        Perform(dialog, Act::PinButton);
        Perform(dialog, Act::Cancel);
    });

    EXPECT_EQ(RunDialog(2), LOGIN_E_CANCELLED);
    EXPECT_EQ(script.texts, std::vector<std::string>{kNoTemplate});
    EXPECT_EQ(device().Count("capture"), 0);
}

}  // namespace
}  // namespace authdlg_test
