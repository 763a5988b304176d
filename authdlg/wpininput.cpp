#include "wpininput.h"

#include <cstring>

#include <QtGui/QPixmap>

#include "console.h"
#include "message_box.h"
#include "pin_buffer.h"

namespace {

constexpr size_t kShortestPin = 2;

}  // namespace

uint64_t WPinInput::nMaxPinLen = 8;

WPinInput::WPinInput(QWidget *parent) : QDialog(parent), szPin{}, bInputAgain(0) {
    authdlg::ConsoleLine("WPinInput::WPinInput............");
    setupUi(this);
    piclabel->setPixmap(QPixmap(":/pinmode.png"));
    lineEdit->setEchoMode(QLineEdit::Password);
    connect(okbutton, &QPushButton::clicked, this, &WPinInput::okbutton_clicked);
    connect(cancelbutton, &QPushButton::clicked, this, &WPinInput::cancelbutton_clicked);
    nMaxPinLen = 8;
    lineEdit->setMaxLength(static_cast<int>(nMaxPinLen));
}

WPinInput::~WPinInput() { authdlg::WipeBytes(szPin, sizeof szPin); }

void WPinInput::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    lineEdit->clear();
}

void WPinInput::okbutton_clicked() {
    QByteArray entry = lineEdit->text().toLocal8Bit();
    lineEdit->clear();
    // Only an entry that fits szPin with its terminating zero is copied.
    const size_t length = static_cast<size_t>(entry.size());
    const bool fits = length < sizeof szPin;
    if (fits) std::memcpy(szPin, entry.constData(), length + 1);
    authdlg::WipeBytes(entry.data(), length);
    authdlg::ConsoleLine("WPinInput::okbutton_clicked......");

    const size_t pinLength = fits ? std::strlen(szPin) : length;
    if (pinLength < kShortestPin || pinLength > nMaxPinLen) {
        authdlg::WipeBytes(szPin, sizeof szPin);
        bInputAgain = 1;
        authdlg::ShowMessage(this, QMessageBox::Warning, QObject::tr("PIN Password Authentication"),
                             QObject::tr("Entered incorrectly, PIN Password effective length: 2-") +
                                 QString::number(nMaxPinLen) + QObject::tr(" character!"));
        done(2);
        return;
    }
    bInputAgain = 0;
    done(1);
}

void WPinInput::cancelbutton_clicked() {
    authdlg::ConsoleLine("WPinInput::cancelbutton_clicked......");
    bInputAgain = 0;
    done(2);
}

void WPinInput::reject() {
    bInputAgain = 0;
    QDialog::reject();
}
