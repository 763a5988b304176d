#include "wfingerprint.h"

#include <vector>

#include <QtGui/QPixmap>
#include <QtGui/QShowEvent>

#include "capture_worker.h"
#include "console.h"
#include "device_calls.h"
#include "pin_result.h"
#include "result_codes.h"
#include "worker_control.h"
#include "wpininput.h"

namespace {

QString Prompt() { return QObject::tr("Please preess finger print to authenticate!"); }
QString NoTemplate() { return QObject::tr("No available saved fingerpinrt template!"); }

// Whether the key's template index lists an enrolled finger; false also
// when the index cannot be read.
bool TemplateListed(DeviceContext *hDev) {
    const authdlg::DeviceCalls &device = authdlg::Device();
    uint8_t count = 0;
    if (device.getMaxTmpltNum(hDev, &count) != 0) return false;
    // The capacity is one byte; room for every record it can announce keeps
    // the index read inside the buffer even if the key's answers disagree.
    std::vector<uint8_t> index(FP_INDEX_MAX_BYTES);
    if (device.readIndexFile(hDev, index.data()) != 0) return false;
    for (unsigned number = 1; number <= count; ++number) {
        if (FpIndexEntryEnrolled(index.data() + FP_INDEX_ENTRY_OFFSET(number))) return true;
    }
    return false;
}

// Cancel, Escape and the close control: the worker is asked to stop and the
// dialog ends with the cancel code.
void CancelPass(WFingerPrint *dialog) {
    authdlg::WorkerControl::Of(dialog).Cancel();
    dialog->done(authdlg::DialogResult(authdlg::kCancelled));
}

}  // namespace

WFingerPrint::WFingerPrint(DeviceContext *device, uint8_t verifyMode, uint64_t flags, QWidget *parent)
    : QDialog(parent),
      hThread(0),
      hDev(device),
      VerifyMode(verifyMode),
      dwFlags(flags),
      nHaveTemplate(0),
      RetryTimes(0),
      worker_(std::make_unique<authdlg::WorkerControl>(this)) {
    authdlg::ConsoleLine("Run WFingerPrint::WFingerPrint()...............");
    setupUi(this);
    piclabel->setPixmap(QPixmap(":/fingerprint.png"));
    connect(pinmodebutton, &QPushButton::clicked, this, &WFingerPrint::pinmodebutton_clicked);
    connect(cancelbutton, &QPushButton::clicked, this, &WFingerPrint::cancelbutton_clicked);
}

WFingerPrint::~WFingerPrint() { WaitForWorker(); }

void WFingerPrint::WaitForWorker() { worker_->StopAndJoin(); }

int WFingerPrint::Logon() {
    authdlg::ConsoleLine("WFingerPrint::Logon..............");
    worker_->Start(&authdlg::CheckFingerPrintThreadProc, hDev, dwFlags);
    return 1;
}

void WFingerPrint::showEvent(QShowEvent *event) {
    authdlg::ConsoleLine("Run WFingerPrint::showEvent()...............");
    QDialog::showEvent(event);
    // A window restored by the window system shows the dialog again; the
    // pass is already under way then, and a stop request of the PIN button
    // must survive it.
    if (event->spontaneous()) return;
    worker_->ClearStopRequest();

    if (TemplateListed(hDev)) nHaveTemplate = 1;
    const bool listed = nHaveTemplate > 0;
    switch (VerifyMode) {
        case 0:
            pinmodebutton->setVisible(true);
            pinmodebutton->setEnabled(true);
            outlabel->setText(QObject::tr("Verify mode is password verify mode,Please input PIN!"));
            break;
        case 1:
        case 2:
            pinmodebutton->setVisible(VerifyMode == 2);
            pinmodebutton->setEnabled(VerifyMode == 2);
            outlabel->setText(listed ? Prompt() : NoTemplate());
            if (listed) Logon();
            break;
        default: break;
    }
}

void WFingerPrint::changeEvent(QEvent *event) {
    if (event->type() == QEvent::EnabledChange) worker_->SetDialogEnabled(isEnabled());
    QDialog::changeEvent(event);
}

void WFingerPrint::cancelbutton_clicked() {
    authdlg::ConsoleLine("WFingerPrint::cancelbutton_clicked.......");
    CancelPass(this);
}

void WFingerPrint::reject() { CancelPass(this); }

void WFingerPrint::pinmodebutton_clicked() {
    WPinInput pinDialog;
    authdlg::ConsoleLine("WFingerPrint::pinmodebutton_clicked.........");
    // A running worker is asked to stop; whatever a worker sent and the
    // dialog has not shown yet is dropped, so the PIN entry decides alone.
    worker_->RequestStop();
    pinDialog.bInputAgain = 1;
    while (pinDialog.bInputAgain != 0) {
        if (pinDialog.exec() != 1) {
            if (pinDialog.bInputAgain != 0) continue;  // an entry of wrong length
            // PIN entry given up: back to the finger.
            if (nHaveTemplate > 0) {
                outlabel->setText(Prompt());
                Logon();
            } else {
                outlabel->setText(NoTemplate());
            }
            break;
        }

        // The key takes one command at a time: the worker asked to stop
        // above may still be inside a capture, or between the two exchanges
        // of one command.
        WaitForWorker();
        using authdlg::PinVerdict;
        const authdlg::PinAnswer answer = authdlg::VerifyEnteredPin(hDev, pinDialog, authdlg::Device().verifyUserPin,
                                                                    this, authdlg::RetryWording::Spaced);
        switch (answer.verdict) {
            case PinVerdict::Accepted:
                pinDialog.bInputAgain = 0;
                done(0);
                break;
            case PinVerdict::Locked:
                // A locked key ends the pass as locked, as the PIN login does.
                pinDialog.bInputAgain = 0;
                done(authdlg::DialogResult(authdlg::kLocked));
                break;
            case PinVerdict::TryAgain: pinDialog.bInputAgain = 1; break;
            case PinVerdict::Refused: break;
        }
    }
}
