#include "dialog_script.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QDeadlineTimer>
#include <QtCore/QPointer>
#include <QtCore/QTimer>
#include <QtGui/QKeyEvent>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QApplication>
#include <QtWidgets/QMessageBox>

namespace authdlg_test {

std::string Str(const QString &text) { return text.toStdString(); }

void Perform(QDialog *dialog, Act act) {
    switch (act) {
        case Act::EnterPin: authdlg_watch::ClickButton(dialog, "okbutton"); break;
        case Act::Cancel: authdlg_watch::ClickButton(dialog, "cancelbutton"); break;
        case Act::PinButton: authdlg_watch::ClickButton(dialog, "pinmodebutton"); break;
        case Act::Escape: {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QCoreApplication::sendEvent(dialog, &press);
            break;
        }
        case Act::Close: dialog->close(); break;
        case Act::Disable: dialog->setEnabled(false); break;
    }
}

bool WaitFor(const std::function<bool()> &done, int seconds) {
    QDeadlineTimer deadline(seconds * 1000);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

DialogScript::DialogScript(int watchdogSeconds) : timerOwner_(std::make_unique<QObject>()) {
    // The watcher reports from inside its event filter: record at once, act
    // from the event loop.
    authdlg_watch::DialogHandlers handlers;
    handlers.fingerprintDialogShown = [this](QDialog *dialog) {
        ++fingerprintDialogs;
        Defer(dialog, [this](QDialog *shown) { RunTriggers(shown, QString()); });
    };
    handlers.statusText = [this](const QString &text) { StatusText(text); };
    handlers.pinDialogShown = [this](QDialog *dialog) {
        ++pinDialogs;
        if (!leavePinDialogs_) Defer(dialog, [this](QDialog *shown) { PinDialog(shown); });
    };
    handlers.messageBoxShown = [this](QMessageBox *box) {
        messageBoxes.push_back(Str(box->windowTitle() + "|" + box->text()));
        Defer(box, [](QDialog *shown) {
            auto *messageBox = static_cast<QMessageBox *>(shown);
            if (!messageBox->buttons().isEmpty()) messageBox->buttons().first()->click();
        });
    };
    watcher_ = std::make_unique<authdlg_watch::DialogWatcher>(std::move(handlers));
    QTimer::singleShot(watchdogSeconds * 1000, timerOwner_.get(), [this] { Watchdog(); });
}

DialogScript::~DialogScript() = default;

void DialogScript::AnswerPin(std::vector<PinAnswer> answers) {
    pinAnswers_.insert(pinAnswers_.end(), answers.begin(), answers.end());
}

void DialogScript::OnText(const QString &trigger, Act act) {
    OnText(trigger, [act](QDialog *dialog) { Perform(dialog, act); });
}

void DialogScript::OnText(const QString &trigger, std::function<void(QDialog *)> call) {
    triggers_.push_back(Trigger{trigger, std::move(call)});
}

void DialogScript::Defer(QDialog *dialog, std::function<void(QDialog *)> call) {
    QPointer<QDialog> target(dialog);
    QTimer::singleShot(0, timerOwner_.get(), [target, call = std::move(call)] {
        if (target) call(target);
    });
}

void DialogScript::StatusText(const QString &text) {
    texts.push_back(Str(text));
    if (QDialog *dialog = watcher_->fingerprintDialog()) {
        Defer(dialog, [this, text](QDialog *shown) { RunTriggers(shown, text); });
    }
}

void DialogScript::RunTriggers(QDialog *dialog, const QString &text) {
    for (auto trigger = triggers_.begin(); trigger != triggers_.end(); ++trigger) {
        const bool matches = trigger->text.isEmpty() ? text.isEmpty() : text.contains(trigger->text);
        if (!matches) continue;
        auto call = std::move(trigger->call);
        triggers_.erase(trigger);
        call(dialog);
        return;
    }
}

void DialogScript::PinDialog(QDialog *dialog) {
    if (pinAnswers_.empty()) {
        Perform(dialog, Act::Cancel);
        return;
    }
    const PinAnswer answer = pinAnswers_.front();
    pinAnswers_.pop_front();
    if (answer.act == Act::EnterPin) authdlg_watch::TypeIntoPinDialog(dialog, answer.pin);
    Perform(dialog, answer.act);
}

// Ends a test that hangs: every open dialog is rejected until none is left.
void DialogScript::Watchdog() {
    watchdogFired = true;
    pinAnswers_.clear();
    triggers_.clear();
    auto closeAll = [] {
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (auto *dialog = qobject_cast<QDialog *>(window); dialog != nullptr && dialog->isVisible()) {
                dialog->reject();
            }
        }
    };
    auto *timer = new QTimer(timerOwner_.get());
    QObject::connect(timer, &QTimer::timeout, timer, closeAll);
    timer->start(200);
}

}  // namespace authdlg_test
