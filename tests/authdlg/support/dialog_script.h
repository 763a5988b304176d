// Plays the user of the login dialogs in a test: records every text the
// fingerprint dialog shows and every message box, answers the PIN dialog
// from a list, acts on the fingerprint dialog when a text appears, and
// closes everything if the test runs too long.
#ifndef AUTHDLG_TESTS_DIALOG_SCRIPT_H
#define AUTHDLG_TESTS_DIALOG_SCRIPT_H

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QtCore/QString>
#include <QtWidgets/QDialog>

#include "dialog_watcher.h"

namespace authdlg_test {

enum class Act {
    EnterPin,   // type the PIN and press Ok
    Cancel,     // the dialog's Cancel button
    PinButton,  // the fingerprint dialog's PIN button
    Escape,     // the Escape key
    Close,      // the window's close control
    Disable,    // disable the dialog
};

struct PinAnswer {
    Act act;
    QString pin;
};

class DialogScript {
public:
    explicit DialogScript(int watchdogSeconds = 20);
    ~DialogScript();
    DialogScript(const DialogScript &) = delete;
    DialogScript &operator=(const DialogScript &) = delete;

    // The next appearances of the PIN dialog get these answers, in order;
    // once they are used up it is cancelled.
    void AnswerPin(std::vector<PinAnswer> answers);
    // Once the fingerprint dialog shows a text containing `trigger` (empty:
    // as soon as it is shown), `act` is done to it, once.
    void OnText(const QString &trigger, Act act);
    // Runs `call` with the dialog once a text containing `trigger` shows.
    void OnText(const QString &trigger, std::function<void(QDialog *)> call);
    // PIN dialogs are counted but answered by the test itself.
    void LeavePinDialogsAlone() { leavePinDialogs_ = true; }

    // The status texts of the fingerprint dialog, in the order shown.
    std::vector<std::string> texts;
    // "title|text" of each message box, which is then confirmed.
    std::vector<std::string> messageBoxes;
    int pinDialogs = 0;
    int fingerprintDialogs = 0;
    bool watchdogFired = false;

private:
    struct Trigger {
        QString text;
        std::function<void(QDialog *)> call;
    };
    void Defer(QDialog *dialog, std::function<void(QDialog *)> call);
    void StatusText(const QString &text);
    void RunTriggers(QDialog *dialog, const QString &text);
    void PinDialog(QDialog *dialog);
    void Watchdog();

    bool leavePinDialogs_ = false;
    std::deque<PinAnswer> pinAnswers_;
    std::vector<Trigger> triggers_;
    std::unique_ptr<authdlg_watch::DialogWatcher> watcher_;
    std::unique_ptr<QObject> timerOwner_;
};

// Does `act` to a dialog, as a user would.
void Perform(QDialog *dialog, Act act);

// Runs the event loop until `done` answers true or `seconds` pass.
bool WaitFor(const std::function<bool()> &done, int seconds = 10);

// "Login authentication fail,\nCard locked." -> std::string, for readable failures.
std::string Str(const QString &text);

}  // namespace authdlg_test

#endif
