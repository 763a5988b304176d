// Stopping the worker: Cancel and the PIN button during a capture, Escape and
// the window's close control, a disabled dialog.
#include <QtCore/QCoreApplication>
#include <QtCore/QTimer>
#include <QtGui/QShowEvent>
#include <QtTest/QSpontaneKeyEvent>

#include "login_fixture.h"

namespace authdlg_test {
namespace {

// Presses `act` while the worker is inside a capture, then lets the capture
// return (the key answers that no finger is there).
void ActDuringCapture(DialogScript &script, Act act) {
    ScriptedDevice::Get().HoldNextCapture();
    script.OnText(QString::fromStdString(kSwipe), [act](QDialog *dialog) {
        ASSERT_TRUE(ScriptedDevice::Get().WaitForHeldCapture());
        // Released from the event loop, so also while a PIN dialog is open.
        QTimer::singleShot(0, [] { ScriptedDevice::Get().ReleaseCapture(); });
        Perform(dialog, act);
        ScriptedDevice::Get().ReleaseCapture();
    });
}

TEST_F(LoginTest, CancelDuringCaptureStopsTheWorkerAtItsNextCheckpoint) {
    DialogScript script;
    ActDuringCapture(script, Act::Cancel);

    dialog_ = std::make_unique<WFingerPrint>(&context_, 1, 0);
    EXPECT_EQ(static_cast<uint32_t>(dialog_->exec()), LOGIN_E_CANCELLED);

    // The worker clears the flag at its exit; nothing else does before the join.
    EXPECT_TRUE(WaitFor([&] { return dialog_->hThread.load() == 0 && g_CancelPressed.load() == 0; }));
    dialog_->WaitForWorker();
    EXPECT_EQ(device().Count("capture"), 1);
    EXPECT_EQ(device().Count("extract 1"), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(Str(dialog_->outlabel->text()), kSwipe) << "the worker left the label alone";
}

TEST_F(LoginTest, PinButtonDuringCaptureStopsTheWorkerAndAnAcceptedPinEndsWithZero) {
    device().Reset(2);
    DialogScript script;
    script.AnswerPin({{Act::EnterPin, "2580"}});
    ActDuringCapture(script, Act::PinButton);

    EXPECT_EQ(RunDialog(2), 0u);

    EXPECT_EQ(device().Pins(), std::vector<std::string>{"pkcs:2580"}) << "straight to the PKCS library";
    EXPECT_EQ(device().Count("extract 1"), 0);
    EXPECT_EQ(g_CancelPressed.load(), 0);
    EXPECT_EQ(script.texts, (std::vector<std::string>{kPrompt, kSwipe}));
}

// The key takes one command at a time: a PIN typed faster than a capture
// ends waits for it instead of landing between the worker's exchanges.
TEST_F(LoginTest, PinEnteredDuringASlowCaptureWaitsUntilTheCaptureIsOver) {
    device().Reset(2);
    device().HoldNextCapture(1000);
    DialogScript script;
    script.AnswerPin({{Act::EnterPin, "2580"}});
    script.OnText(QString::fromStdString(kSwipe), [](QDialog *dialog) {
        ASSERT_TRUE(ScriptedDevice::Get().WaitForHeldCapture());
        Perform(dialog, Act::PinButton);
    });

    EXPECT_EQ(RunDialog(2), 0u);

    EXPECT_EQ(device().Pins(), std::vector<std::string>{"pkcs:2580"});
    EXPECT_EQ(device().MostInFlight(), 1) << "the PIN went to the key while the capture ran";
    EXPECT_EQ(device().Count("capture"), 1);
}

// The window system shows the dialog again when it is restored; the worker
// the PIN button stopped must stay stopped through the PIN entry.
TEST_F(LoginTest, DialogRestoredDuringPinEntryKeepsTheStopRequest) {
    device().Reset(2);
    device().HoldNextCapture();
    DialogScript script;
    script.AnswerPin({{Act::EnterPin, "2580"}});
    int stopRequestAfterRestore = -1;
    script.OnText(QString::fromStdString(kSwipe), [&](QDialog *dialog) {
        ASSERT_TRUE(ScriptedDevice::Get().WaitForHeldCapture());
        // Runs once the PIN dialog is open, before it is answered.
        QTimer::singleShot(0, [&, dialog] {
            ASSERT_EQ(script.pinDialogs, 1);
            ASSERT_TRUE(device().Pins().empty());
            QShowEvent restored;
            QSpontaneKeyEvent::setSpontaneous(&restored);
            // Delivered as the window system delivers it (sendEvent would
            // take the mark off again).
            QCoreApplication::instance()->notify(dialog, &restored);
            stopRequestAfterRestore = g_CancelPressed.load();
            ScriptedDevice::Get().ReleaseCapture();
        });
        Perform(dialog, Act::PinButton);
    });

    EXPECT_EQ(RunDialog(2), 0u);

    EXPECT_EQ(stopRequestAfterRestore, 1);
    EXPECT_EQ(device().Count("capture"), 1) << "the worker went on capturing during the PIN entry";
}

TEST_F(LoginTest, PinEntryGivenUpStartsANewWorker) {
    device().Reset(2);
    DialogScript script;
    script.AnswerPin({{Act::Cancel, ""}});
    ActDuringCapture(script, Act::PinButton);
    script.OnText(QString::fromStdString(kSwipe), Act::Cancel);

    EXPECT_EQ(RunDialog(2), LOGIN_E_CANCELLED);

    EXPECT_FALSE(script.watchdogFired);
    EXPECT_EQ(script.pinDialogs, 1);
    EXPECT_EQ(script.texts, (std::vector<std::string>{kPrompt, kSwipe, kPrompt, kSwipe}));
    EXPECT_GE(device().Count("capture"), 2);
}

struct CloseCase {
    const char *name;
    Act act;
};

// Parameters print as their names in test output.
void PrintTo(const CloseCase &c, std::ostream *out) { *out << c.name; }

class ClosingTheDialog : public LoginTest, public ::testing::WithParamInterface<CloseCase> {};

// Closing the dialog must not read as an authenticated user.
TEST_P(ClosingTheDialog, CountsAsCancelAndStopsTheWorker) {
    DialogScript script;
    ActDuringCapture(script, GetParam().act);

    EXPECT_EQ(Login(), LOGIN_E_CANCELLED);

    EXPECT_EQ(device().Count("auth"), 1) << "a cancelled login is not repeated";
    EXPECT_EQ(device().Count("extract 1"), 0);
    EXPECT_EQ(g_CancelPressed.load(), 0);
}

INSTANTIATE_TEST_SUITE_P(Ways, ClosingTheDialog,
                         ::testing::Values(CloseCase{"CancelButton", Act::Cancel}, CloseCase{"EscapeKey", Act::Escape},
                                           CloseCase{"CloseControl", Act::Close}),
                         [](const auto &param) { return std::string(param.param.name); });

TEST_F(LoginTest, DisabledDialogStopsTheWorkerButStaysOpen) {
    DialogScript script;
    bool openAfterWorker = false;
    script.OnText(QString::fromStdString(kSwipe), [&](QDialog *dialog) {
        dialog->setEnabled(false);
        auto *fingerprint = static_cast<WFingerPrint *>(dialog);
        WaitFor([&] { return fingerprint->hThread.load() == 0; });
        WaitFor([] { return false; }, 1);  // anything the worker sent has arrived
        openAfterWorker = dialog->isVisible();
        dialog->reject();
    });

    EXPECT_EQ(RunDialog(), LOGIN_E_CANCELLED);
    EXPECT_TRUE(openAfterWorker);
    EXPECT_EQ(script.texts.back(), kSwipe) << "a disabled dialog gets no text";
}

}  // namespace
}  // namespace authdlg_test
