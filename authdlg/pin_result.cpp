#include "pin_result.h"

#include <QtCore/QObject>

#include "message_box.h"
#include "pin_buffer.h"
#include "wpininput.h"

namespace authdlg {
namespace {

PinVerdict VerdictOf(uint64_t result, uint16_t statusWord) {
    if (result == 0) return PinVerdict::Accepted;
    if (statusWord == SW_AUTH_METHOD_BLOCKED || statusWord == SW_VERIFY_FAILED_BASE) return PinVerdict::Locked;
    if ((statusWord & 0xFFF0u) == SW_VERIFY_FAILED_BASE) return PinVerdict::TryAgain;
    return PinVerdict::Refused;
}

QString RetryWarning(uint16_t statusWord, RetryWording wording) {
    const QString left = QString::number(statusWord & 0x0Fu);
    if (wording == RetryWording::Joined) {
        return QObject::tr("Verify PIN failed, this key will be LOCKED after") + left + QObject::tr("failed retry!");
    }
    return QObject::tr("Verify PIN failed, this key will be LOCKED after ") + left + QObject::tr(" failed retry!");
}

}  // namespace

PinAnswer VerifyEnteredPin(DeviceContext *hDev, WPinInput &dialog, PinVerifyCall verify, QWidget *parent,
                           RetryWording wording) {
    PinAnswer answer{PinVerdict::Refused, 0, 0};
    {
        const PinBuffer pin(dialog.szPin);
        WipeBytes(dialog.szPin, sizeof dialog.szPin);
        answer.result = verify(hDev, pin.bytes(), pin.length(), &answer.statusWord);
    }
    answer.verdict = VerdictOf(answer.result, answer.statusWord);
    const QString title = QObject::tr("Hexlumina");
    switch (answer.verdict) {
        case PinVerdict::Accepted: break;
        case PinVerdict::Locked: ShowMessage(parent, QMessageBox::Warning, title, QObject::tr("Key locked!")); break;
        case PinVerdict::TryAgain:
            ShowMessage(parent, QMessageBox::Warning, title, RetryWarning(answer.statusWord, wording));
            break;
        case PinVerdict::Refused:
            ShowMessage(
                parent, QMessageBox::Warning, title,
                QObject::tr("Can NOT verify this key, please check whether this key had been initialized correctly!"));
            break;
    }
    return answer;
}

}  // namespace authdlg
