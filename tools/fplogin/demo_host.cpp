#include "demo_host.h"

#include <algorithm>
#include <cstdio>

#include <QtCore/QCoreApplication>
#include <QtCore/QTimer>
#include <QtGui/QScreen>
#include <QtWidgets/QAbstractButton>

#include "hxkmgr.h"
#include "scan_on_sensor.h"

namespace fplogin {
namespace {

constexpr int kTouchAfterMs = 1000;
constexpr int kLongestTouchMs = 3000;
constexpr int kAnswerAfterMs = 300;

// A text of the dialogs, its later lines indented under the first.
void Print(const char *tag, const QString &text) {
    QString indented = text;
    indented.replace("\n", "\n" + QString(static_cast<int>(std::char_traits<char>::length(tag)) + 3, ' '));
    std::printf("[%s] %s\n", tag, qPrintable(indented));
    std::fflush(stdout);
}

}  // namespace

DemoHost::DemoHost(DemoOptions options) : options_(std::move(options)) {
    authdlg_watch::DialogHandlers handlers;
    // The watcher reports from inside its event filter; every action waits
    // for the event loop.
    handlers.fingerprintDialogShown = [this](QDialog *dialog) {
        QPointer<QDialog> shown(dialog);
        QTimer::singleShot(0, dialog, [this, shown] { FingerprintShown(shown); });
    };
    handlers.statusText = [this](const QString &text) { StatusText(text); };
    handlers.pinDialogShown = [this](QDialog *dialog) {
        Print("pin", "PIN dialog: " + dialog->windowTitle());
        QTimer::singleShot(0, dialog, [this, dialog] { PinShown(dialog); });
    };
    handlers.messageBoxShown = [this](QMessageBox *box) {
        Print("message", box->windowTitle() + ": " + box->text());
        QTimer::singleShot(0, box, [this, box] { MessageBoxShown(box); });
    };
    watcher_ = std::make_unique<authdlg_watch::DialogWatcher>(std::move(handlers));
}

DemoHost::~DemoHost() = default;

void DemoHost::Sensor(const QString &line) {
    Print("sensor", line);
    if (sensor_) sensor_->SetStatus(line);
}

void DemoHost::FingerprintShown(QDialog *dialog) {
    if (dialog == nullptr) return;
    LimitWaiting(dialog);
    if (!options_.simulated) {
        if (options_.headless) Print("fplogin", "place your finger on the key's sensor");
        return;
    }
    if (options_.headless) {
        QTimer::singleShot(kTouchAfterMs, dialog, [this] {
            if (options_.image.empty()) {
                Touch(options_.finger);
            } else {
                TouchScan(QString::fromStdString(options_.image));
            }
        });
        return;
    }
    if (sensor_.isNull()) {
        SensorActions actions{[this](const std::string &finger) { Touch(finger); }, [this] { Lift(); },
                              [this](const QString &path) { TouchScan(path); }};
        sensor_ = new SensorWindow(options_.key, options_.finger, std::move(actions), dialog);
        sensor_->adjustSize();
        // Beside the dialog: right of it when that fits the screen, else left.
        const QRect screen = dialog->screen()->availableGeometry();
        const QRect frame = dialog->frameGeometry();
        const int width = sensor_->frameGeometry().width();
        int x = frame.right() + 12;
        if (x + width > screen.right()) x = std::max(screen.left(), frame.left() - 12 - width);
        sensor_->move(x, frame.top());
        sensor_->show();
    }
}

void DemoHost::StatusText(const QString &text) {
    Print("dialog", text);
    // One touch gives one capture. The text is the dialog's own, in the
    // dialog library's catalogue: held in a variable so that this program's
    // catalogue does not take it in as well.
    static const char *const kCaptured = "Image Acquisition success,\nPlease wait......";
    if (fingerOnSensor_ && text == QCoreApplication::translate("QObject", kCaptured)) {
        QTimer::singleShot(0, this, [this] { Lift(); });
    }
}

void DemoHost::Touch(const std::string &finger) {
    if (HXSimPlaceFinger(options_.key, finger.c_str()) != 0) {
        Sensor(tr("cannot place the finger: %1").arg(HXKeyLastError()));
        return;
    }
    fingerOnSensor_ = true;
    Sensor(tr("finger \"%1\" placed on the sensor").arg(QString::fromStdString(finger)));
    // Lifted after its capture, or after a while if no capture came.
    if (QDialog *dialog = watcher_->fingerprintDialog()) {
        QTimer::singleShot(kLongestTouchMs, dialog, [this] { Lift(); });
    }
}

void DemoHost::TouchScan(const QString &path) {
    QString error;
    if (!PlaceScan(options_.key, path, &error)) {
        Sensor(error);
        return;
    }
    fingerOnSensor_ = true;
    Sensor(tr("scan \"%1\" placed on the sensor").arg(path));
    if (QDialog *dialog = watcher_->fingerprintDialog()) {
        QTimer::singleShot(kLongestTouchMs, dialog, [this] { Lift(); });
    }
}

void DemoHost::Lift() {
    if (!fingerOnSensor_) return;
    HXSimLiftFinger(options_.key);
    fingerOnSensor_ = false;
    Sensor(tr("finger lifted"));
}

void DemoHost::PinShown(QDialog *dialog) {
    if (!options_.headless) return;
    if (!options_.pinGiven) {
        Print("pin", "no --pin given: Cancel");
        authdlg_watch::ClickButton(dialog, "cancelbutton");
        return;
    }
    // The dialog comes back only when the key refused the PIN: typing it
    // again would spend every attempt and block the key in one run.
    if (pinTyped_) {
        Print("pin", "the PIN given with --pin was refused: Cancel");
        authdlg_watch::ClickButton(dialog, "cancelbutton");
        return;
    }
    pinTyped_ = true;
    Print("pin", "typing the PIN given with --pin, then Ok");
    authdlg_watch::TypeIntoPinDialog(dialog, QString::fromStdString(options_.pin));
    authdlg_watch::ClickButton(dialog, "okbutton");
}

void DemoHost::MessageBoxShown(QMessageBox *box) {
    if (!options_.headless) return;
    LimitWaiting(box);
    QTimer::singleShot(kAnswerAfterMs, box, [box] {
        if (!box->buttons().isEmpty()) box->buttons().first()->click();
    });
}

// Without a display nobody would ever answer a dialog that waits: after a
// while it is closed as if the user had given up.
void DemoHost::LimitWaiting(QDialog *dialog) {
    if (!options_.headless) return;
    QTimer::singleShot(options_.answerTimeoutSeconds * 1000, dialog, [this, dialog] {
        if (!dialog->isVisible()) return;
        Print("fplogin", QString("no decision after %1 s: closing the dialog").arg(options_.answerTimeoutSeconds));
        dialog->reject();
    });
}

}  // namespace fplogin
