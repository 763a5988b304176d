#include "sensor_window.h"

#include <QtWidgets/QFileDialog>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QVBoxLayout>

#include "hxkmgr.h"

namespace fplogin {

SensorWindow::SensorWindow(DeviceContext *key, const std::string &enrolledFinger, SensorActions actions,
                           QWidget *dialog)
    : QWidget(dialog, Qt::Window), key_(key), actions_(std::move(actions)), status_(new QLabel(this)) {
    setWindowTitle(tr("Virtual sensor"));
    auto *layout = new QVBoxLayout(this);
    auto addButton = [this, layout](const QString &text, std::function<void()> action) {
        auto *button = new QPushButton(text, this);
        connect(button, &QPushButton::clicked, this, action);
        layout->addWidget(button);
    };
    const QString enrolled = QString::fromStdString(enrolledFinger);
    addButton(tr("Place enrolled finger (%1)").arg(enrolled),
              [this, enrolledFinger] { actions_.touch(enrolledFinger); });
    addButton(tr("Place unknown finger"), [this] { actions_.touch("stranger"); });
    addButton(tr("Choose a scan…"), [this] {
        const QString path = QFileDialog::getOpenFileName(this, tr("Fingerprint scan"), QString(),
                                                          tr("Scans (*.pgm *.png);;All files (*)"));
        if (!path.isEmpty()) actions_.touchScan(path);
    });
    addButton(tr("Dirty capture"),
              [this] { InjectCapture(SW_SENSOR_DIRTY, tr("the next capture finds the sensor dirty")); });
    addButton(tr("Poor capture"), [this] { InjectCapture(SW_POOR_IMAGE, tr("the next capture has poor quality")); });
    addButton(tr("Lift finger"), [this] { actions_.lift(); });
    status_->setWordWrap(true);
    status_->setMinimumWidth(220);
    layout->addWidget(status_);
    SetStatus(tr("A placed finger stays until one capture has taken it."));
}

void SensorWindow::SetStatus(const QString &text) { status_->setText(text); }

void SensorWindow::InjectCapture(uint32_t statusWord, const QString &what) {
    const bool injected = HXSimInjectFault(key_, statusWord, "capture", 1) == 0;
    SetStatus(injected ? what : tr("cannot inject: %1").arg(HXKeyLastError()));
}

}  // namespace fplogin
