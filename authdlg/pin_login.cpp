// VerifyUserPin: the PIN login, a loop around the PIN dialog.
#include "authdlg.h"
#include "device_calls.h"
#include "message_box.h"
#include "pin_result.h"
#include "result_codes.h"
#include "wpininput.h"

extern "C" AUTHDLG_API uint64_t VerifyUserPin(DeviceContext *hDev, QWidget *parent) {
    using namespace authdlg;
    WPinInput dialog;
    for (;;) {
        int result = 0;
        do {
            result = dialog.exec();
        } while (dialog.bInputAgain != 0);
        if (result != 1) return kCancelled;

        const PinAnswer answer =
            VerifyEnteredPin(hDev, dialog, Device().verifyUserPinBio, parent, RetryWording::Joined);
        switch (answer.verdict) {
            case PinVerdict::Accepted:
                ShowMessage(parent, QMessageBox::Information, QObject::tr("Hexlumina"), QObject::tr("Success"));
                return 0;
            case PinVerdict::Locked: return kLocked;
            case PinVerdict::TryAgain: continue;
            case PinVerdict::Refused: break;
        }
        // Without a status word from the key (the PKCS library missing, for
        // example) the bridge's own code says more than 0x80000000 would.
        return answer.statusWord != 0 ? StatusCode(answer.statusWord) : answer.result;
    }
}
