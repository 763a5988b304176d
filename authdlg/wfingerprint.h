// WFingerPrint: the modal fingerprint dialog. When shown it looks in the
// key's template index for an enrolled finger and starts the capture worker,
// which reports in the status label and ends the dialog with a result code.
// The PIN button switches to PIN entry; Cancel, Escape and the window's close
// control end the dialog with 0x80006A82.
#ifndef AUTHDLG_WFINGERPRINT_H
#define AUTHDLG_WFINGERPRINT_H

#include <pthread.h>

#include <atomic>
#include <cstdint>
#include <memory>

#include <QtWidgets/QDialog>

#include "authdlg.h"
#include "ui_wfingerprint.h"

namespace authdlg {
class WorkerControl;
}

class AUTHDLG_API WFingerPrint : public QDialog, public Ui::WFingerPrint {
    Q_OBJECT

public:
    WFingerPrint(DeviceContext *device, uint8_t verifyMode, uint64_t flags, QWidget *parent = nullptr);
    ~WFingerPrint() override;

    // Starts a capture worker (after waiting for an earlier one of this
    // dialog to finish) and returns 1.
    int Logon();
    // Asks a running worker to stop and waits until it has exited; the
    // destructor does the same. Afterwards no stop request is pending.
    void WaitForWorker();

    // Escape and the close control: the same as Cancel.
    void reject() override;

    // The running worker, 0 when none runs (every worker exit clears it).
    std::atomic<pthread_t> hThread;
    DeviceContext *hDev;
    uint8_t VerifyMode;  // 0 PIN, 1 fingerprint, 2 fingerprint or PIN
    uint64_t dwFlags;
    int16_t nHaveTemplate;  // 1 when the index lists an enrolled finger
    // The retries the worker last received from identification; 0 before any failure.
    std::atomic<uint8_t> RetryTimes;

public slots:
    void pinmodebutton_clicked();
    void cancelbutton_clicked();

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    friend class authdlg::WorkerControl;

    std::unique_ptr<authdlg::WorkerControl> worker_;
};

#endif
