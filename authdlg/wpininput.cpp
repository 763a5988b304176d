#include "wpininput.h"

#include <cstring>

#include <QtGui/QPixmap>

#include "console.h"
#include "message_box.h"
#include "pin_buffer.h"

namespace {

constexpr size_t kShortestPin = 2;

// The key compares bytes. Only printable ASCII has the same bytes in every
// locale: anything else could reach the key as other bytes than the ones the
// PIN was set with, and count as a wrong PIN.
bool PrintableAscii(const QString &text) {
    for (const QChar character : text) {
        if (character.unicode() < 0x20 || character.unicode() > 0x7E) return false;
    }
    return true;
}

// Nothing of a refused entry is kept; the user is told why, and the again-flag
// has the caller show the dialog again.
void Refuse(WPinInput *dialog, const QString &reason) {
    authdlg::WipeBytes(dialog->szPin, sizeof dialog->szPin);
    dialog->bInputAgain = 1;
    authdlg::ShowMessage(dialog, QMessageBox::Warning, QObject::tr("PIN Password Authentication"), reason);
    dialog->done(2);
}

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
    const QString typed = lineEdit->text();
    lineEdit->clear();
    authdlg::ConsoleLine("WPinInput::okbutton_clicked......");
    if (!PrintableAscii(typed)) {
        Refuse(this, QObject::tr("Entered incorrectly, PIN Password may only contain letters A-Z and a-z, digits, "
                                 "spaces and ASCII punctuation!"));
        return;
    }
    QByteArray entry = typed.toLatin1();
    // Only an entry that fits szPin with its terminating zero is copied.
    const size_t length = static_cast<size_t>(entry.size());
    const bool fits = length < sizeof szPin;
    if (fits) std::memcpy(szPin, entry.constData(), length + 1);
    authdlg::WipeBytes(entry.data(), length);

    const size_t pinLength = fits ? std::strlen(szPin) : length;
    if (pinLength < kShortestPin || pinLength > nMaxPinLen) {
        Refuse(this, QObject::tr("Entered incorrectly, PIN Password effective length: 2-") +
                         QString::number(nMaxPinLen) + QObject::tr(" character!"));
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
