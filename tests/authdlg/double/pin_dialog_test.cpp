// The PIN dialog on its own: printable ASCII of 2 to 8 characters, the
// again-flag, Cancel and Escape.
#include <QtCore/QTimer>

#include "dialog_script.h"
#include "test_names.h"
#include "wpininput.h"

namespace authdlg_test {
namespace {

const std::string kLengthWarning =
    "PIN Password Authentication|Entered incorrectly, PIN Password effective length: 2-8 character!";
const std::string kCharacterWarning =
    "PIN Password Authentication|Entered incorrectly, PIN Password may only contain letters A-Z and a-z, digits, "
    "spaces and ASCII punctuation!";

// Runs the dialog once; `act` plays the user.
int RunPin(WPinInput &dialog, std::function<void(WPinInput &)> act) {
    QTimer::singleShot(0, &dialog, [&dialog, act] { act(dialog); });
    return dialog.exec();
}

std::function<void(WPinInput &)> Enter(const QString &text) {
    return [text](WPinInput &dialog) {
        dialog.lineEdit->insert(text);
        dialog.okbutton->click();
    };
}

struct EntryCase {
    std::string name;
    QString typed;
    int result;
    uint8_t again;
    std::string pin;                       // what szPin holds afterwards
    std::string warning = kLengthWarning;  // the message box of a refused entry
};

// Parameters print as their names in test output.
void PrintTo(const EntryCase &c, std::ostream *out) { *out << c.name; }

class PinEntry : public ::testing::TestWithParam<EntryCase> {};

TEST_P(PinEntry, AcceptsTwoToEightPrintableAsciiCharacters) {
    const EntryCase &c = GetParam();
    DialogScript script;
    script.LeavePinDialogsAlone();
    WPinInput dialog;

    EXPECT_EQ(RunPin(dialog, Enter(c.typed)), c.result);

    EXPECT_EQ(dialog.bInputAgain, c.again);
    EXPECT_EQ(std::string(dialog.szPin), c.pin);
    if (c.result == 1) {
        EXPECT_TRUE(script.messageBoxes.empty());
    } else {
        EXPECT_EQ(script.messageBoxes, std::vector<std::string>{c.warning});
    }
}

INSTANTIATE_TEST_SUITE_P(
    Entries, PinEntry,
    ::testing::Values(EntryCase{"FourDigits", "1234", 1, 0, "1234"}, EntryCase{"TwoCharacters", "ab", 1, 0, "ab"},
                      EntryCase{"EightCharacters", "12345678", 1, 0, "12345678"},
                      EntryCase{"SpaceAndPunctuation", "a b~!", 1, 0, "a b~!"},
                      // Its bytes would depend on the locale.
                      EntryCase{"AccentedLetterIsRefused", QString::fromUtf8("1\u00e9"), 2, 1, "", kCharacterWarning},
                      EntryCase{"OneCharacter", "7", 2, 1, ""}, EntryCase{"Empty", "", 2, 1, ""},
                      EntryCase{"FourChineseCharactersAreRefused", QString::fromUtf8("\u5bc6\u7801\u5bc6\u7801"), 2, 1,
                                "", kCharacterWarning},
                      EntryCase{"EightChineseCharactersAreRefused",
                                QString::fromUtf8("\u5bc6\u7801\u5bc6\u7801\u5bc6\u7801\u5bc6\u7801"), 2, 1, "",
                                kCharacterWarning}),
    fpkey_test::ByName());

TEST(PinDialog, NinthCharacterIsRefusedByTheField) {
    DialogScript script;
    script.LeavePinDialogsAlone();
    WPinInput dialog;
    EXPECT_EQ(RunPin(dialog, Enter("123456789")), 1);
    EXPECT_EQ(std::string(dialog.szPin), "12345678");
}

TEST(PinDialog, OverlongEntryLeavesTheEarlierPinUntouchedAndWiped) {
    DialogScript script;
    script.LeavePinDialogsAlone();
    WPinInput dialog;
    ASSERT_EQ(RunPin(dialog, Enter("2468")), 1);
    EXPECT_EQ(RunPin(dialog, Enter(QString::fromUtf8("\u5bc6\u7801\u5bc6\u7801\u5bc6\u7801\u5bc6\u7801"))), 2);
    EXPECT_EQ(std::string(dialog.szPin, sizeof dialog.szPin), std::string(sizeof dialog.szPin, '\0'));
}

TEST(PinDialog, CancelAfterAWrongLengthClearsTheAgainFlag) {
    DialogScript script;
    script.LeavePinDialogsAlone();
    WPinInput dialog;
    ASSERT_EQ(RunPin(dialog, Enter("1")), 2);
    ASSERT_EQ(dialog.bInputAgain, 1);
    EXPECT_EQ(RunPin(dialog, [](WPinInput &d) { d.cancelbutton->click(); }), 2);
    EXPECT_EQ(dialog.bInputAgain, 0);
}

// Escape means the user gives up, even right after a wrong length.
TEST(PinDialog, EscapeEndsWithZeroAndClearsTheAgainFlag) {
    DialogScript script;
    script.LeavePinDialogsAlone();
    WPinInput dialog;
    ASSERT_EQ(RunPin(dialog, Enter("1")), 2);
    EXPECT_EQ(RunPin(dialog, [](WPinInput &d) { Perform(&d, Act::Escape); }), 0);
    EXPECT_EQ(dialog.bInputAgain, 0);
}

TEST(PinDialog, FieldIsMaskedLimitedAndEmptyOnEveryShow) {
    DialogScript script;
    script.LeavePinDialogsAlone();
    WPinInput dialog;
    EXPECT_EQ(dialog.lineEdit->echoMode(), QLineEdit::Password);
    EXPECT_EQ(dialog.lineEdit->maxLength(), 8);
    EXPECT_EQ(WPinInput::nMaxPinLen, 8u);
    RunPin(dialog, [](WPinInput &d) {
        d.lineEdit->setText("99");
        d.cancelbutton->click();
    });
    QString seen = "not shown";
    RunPin(dialog, [&seen](WPinInput &d) {
        seen = d.lineEdit->text();
        d.cancelbutton->click();
    });
    EXPECT_EQ(seen, "");
}

}  // namespace
}  // namespace authdlg_test
