// VerifyUserPin: the PIN login, a loop around the PIN dialog.
#include "authdlg.h"
#include "device_calls.h"
#include "message_box.h"
#include "pin_buffer.h"
#include "result_codes.h"
#include "wpininput.h"

extern "C" AUTHDLG_API uint64_t VerifyUserPin(DeviceContext *hDev, QWidget *parent) {
    using authdlg::ShowMessage;
    WPinInput dialog;
    for (;;) {
        int result = 0;
        do {
            result = dialog.exec();
        } while (dialog.bInputAgain != 0);
        if (result != 1) return authdlg::kCancelled;

        uint16_t statusWord = 0;
        uint64_t verified = 0;
        {
            const authdlg::PinBuffer pin(dialog.szPin);
            authdlg::WipeBytes(dialog.szPin, sizeof dialog.szPin);
            verified = authdlg::Device().verifyUserPinBio(hDev, pin.bytes(), pin.length(), &statusWord);
        }
        if (verified == 0) {
            ShowMessage(parent, QMessageBox::Information, QObject::tr("Hexlumina"), QObject::tr("Success"));
            return 0;
        }
        if (statusWord == SW_AUTH_METHOD_BLOCKED || statusWord == SW_VERIFY_FAILED_BASE) {
            ShowMessage(parent, QMessageBox::Warning, QObject::tr("Hexlumina"), QObject::tr("Key locked!"));
            return authdlg::kLocked;
        }
        if ((statusWord & 0xFFF0u) == SW_VERIFY_FAILED_BASE) {
            ShowMessage(parent, QMessageBox::Warning, QObject::tr("Hexlumina"),
                        QObject::tr("Verify PIN failed, this key will be LOCKED after") +
                            QString::number(statusWord & 0x0Fu) + QObject::tr("failed retry!"));
            continue;
        }
        ShowMessage(parent, QMessageBox::Warning, QObject::tr("Hexlumina"),
                    QObject::tr("Can NOT verify this key, please check whether this key had been initialized correctly!"));
        // Without a status word from the key (the PKCS library missing, for
        // example) the bridge's own code says more than 0x80000000 would.
        return statusWord != 0 ? authdlg::StatusCode(statusWord) : verified;
    }
}
