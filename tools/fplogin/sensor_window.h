// The virtual sensor: a small window beside the fingerprint dialog whose
// buttons do to the simulated key what a user's finger would.
#ifndef FPLOGIN_SENSOR_WINDOW_H
#define FPLOGIN_SENSOR_WINDOW_H

#include <functional>
#include <string>

#include <QtWidgets/QLabel>
#include <QtWidgets/QWidget>

#include "fpdevice/transport.h"

namespace fplogin {

struct SensorActions {
    std::function<void(const std::string &finger)> touch;  // place, lifted after one capture
    std::function<void()> lift;
    std::function<void(const QString &path)> touchScan;  // a real scan, lifted likewise
};

class SensorWindow : public QWidget {
    Q_OBJECT

public:
    // A window of its own, kept with `dialog` (destroyed with it).
    SensorWindow(DeviceContext *key, const std::string &enrolledFinger, SensorActions actions, QWidget *dialog);

    void SetStatus(const QString &text);

private:
    void InjectCapture(uint32_t statusWord, const QString &what);

    DeviceContext *key_;
    SensorActions actions_;
    QLabel *status_;
};

}  // namespace fplogin

#endif
