#include "sensor_window.h"

#include <QtWidgets/QFileDialog>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QVBoxLayout>

#include "hxkmgr.h"

namespace fplogin {

SensorWindow::SensorWindow(DeviceContext *key, const std::string &enrolledFinger, SensorActions actions,
                           QWidget *dialog)
    : QWidget(dialog, Qt::Window), key_(key), actions_(std::move(actions)), status_(new QLabel(this)) {
    setWindowTitle("Virtual sensor");
    auto *layout = new QVBoxLayout(this);
    auto addButton = [this, layout](const QString &text, std::function<void()> action) {
        auto *button = new QPushButton(text, this);
        connect(button, &QPushButton::clicked, this, action);
        layout->addWidget(button);
    };
    const QString enrolled = QString::fromStdString(enrolledFinger);
    addButton("Place enrolled finger (" + enrolled + ")", [this, enrolledFinger] { actions_.touch(enrolledFinger); });
    addButton("Place unknown finger", [this] { actions_.touch("stranger"); });
    addButton("Choose a scan…", [this] {
        const QString path =
            QFileDialog::getOpenFileName(this, "Fingerprint scan", QString(), "Scans (*.pgm *.png);;All files (*)");
        if (!path.isEmpty()) actions_.touchScan(path);
    });
    addButton("Dirty capture", [this] { InjectCapture(SW_SENSOR_DIRTY, "the next capture finds the sensor dirty"); });
    addButton("Poor capture", [this] { InjectCapture(SW_POOR_IMAGE, "the next capture has poor quality"); });
    addButton("Lift finger", [this] { actions_.lift(); });
    status_->setWordWrap(true);
    status_->setMinimumWidth(220);
    layout->addWidget(status_);
    SetStatus("A placed finger stays until one capture has taken it.");
}

void SensorWindow::SetStatus(const QString &text) { status_->setText(text); }

void SensorWindow::InjectCapture(uint32_t statusWord, const QString &what) {
    const bool injected = HXSimInjectFault(key_, statusWord, "capture", 1) == 0;
    SetStatus(injected ? what : QString("cannot inject: ") + HXKeyLastError());
}

}  // namespace fplogin
