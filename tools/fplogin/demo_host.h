// The demo's side of the login: prints every text the dialogs show and
// drives the simulated key's sensor. With a display it puts the virtual
// sensor window beside the fingerprint dialog; without one it plays the
// user: a touch of the enrolled finger one second after the dialog appears,
// the PIN from the command line, and Ok on every message box.
#ifndef FPLOGIN_DEMO_HOST_H
#define FPLOGIN_DEMO_HOST_H

#include <memory>
#include <string>

#include <QtCore/QObject>
#include <QtCore/QPointer>
#include <QtWidgets/QDialog>
#include <QtWidgets/QMessageBox>

#include "dialog_watcher.h"
#include "fpdevice/transport.h"
#include "sensor_window.h"

namespace fplogin {

struct DemoOptions {
    DeviceContext *key = nullptr;
    bool simulated = false;
    bool headless = false;
    std::string finger;  // the enrolled virtual finger
    std::string image;   // headless: a scan to present instead of the finger
    bool pinGiven = false;
    std::string pin;
    int answerTimeoutSeconds = 30;
};

class DemoHost : public QObject {
    Q_OBJECT

public:
    // Needs the application object; watches until destroyed.
    explicit DemoHost(DemoOptions options);
    ~DemoHost() override;

private:
    void FingerprintShown(QDialog *dialog);
    void StatusText(const QString &text);
    void PinShown(QDialog *dialog);
    void MessageBoxShown(QMessageBox *box);
    void Touch(const std::string &finger);
    void TouchScan(const QString &path);
    void Lift();
    void LimitWaiting(QDialog *dialog);
    void Sensor(const QString &line);

    DemoOptions options_;
    std::unique_ptr<authdlg_watch::DialogWatcher> watcher_;
    QPointer<SensorWindow> sensor_;
    bool fingerOnSensor_ = false;
    bool pinTyped_ = false;
};

}  // namespace fplogin

#endif
