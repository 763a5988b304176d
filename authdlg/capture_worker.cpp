#include "capture_worker.h"

#include <cstdio>

#include <QtCore/QCoreApplication>

#include "authdlg.h"
#include "console.h"
#include "device_calls.h"
#include "result_codes.h"
#include "worker_control.h"
#include "wfingerprint.h"
#include "worker_texts.h"

namespace authdlg {
namespace {

constexpr unsigned kAfterCaptureMs = 500;
constexpr unsigned kBeforeExtractionMs = 200;
constexpr unsigned kAfterFailureTextMs = 100;
constexpr unsigned kAfterSuccessTextMs = 200;
constexpr unsigned kBeforeExitMs = 500;
constexpr uint8_t kFeatureSlot = 1;
constexpr uint8_t kIdentifyMode = 0;
constexpr uint8_t kMostRetries = 15;

QString Translated(const char *source) { return QCoreApplication::translate("QObject", source); }

// One worker run. Each stage answers what comes next; Exit means that the
// worker has already left through one of its exits.
class CaptureWorker {
public:
    CaptureWorker(WFingerPrint *dialog, DeviceContext *hDev)
        : dialog_(dialog),
          control_(WorkerControl::Of(dialog)),
          device_(Device()),
          hDev_(hDev),
          // A later worker of the same dialog (after the PIN entry was given
          // up) counts on from the retries the key reported last.
          retries_(dialog->RetryTimes.load()) {}

    void Run();

private:
    enum class Next { Exit, LoopTest, Extraction, Identification, NewPass };

    bool Checkpoint();
    void Show(const QString &text);
    Next CaptureStage();
    Next ExtractionStage();
    Next IdentificationStage();
    Next Retry();
    void SuccessExit();
    bool SecurityStateSatisfied();

    WFingerPrint *dialog_;
    WorkerControl &control_;
    const DeviceCalls &device_;
    DeviceContext *hDev_;

    QString shown_;  // what the label shows, as far as the worker knows
    QString previousRetryText_;
    bool showPrevious_ = false;
    uint8_t matchNumber_ = 0;
    uint8_t retries_;
    uint64_t result_ = FP_E_CAPTURE_FAILED;
};

// false: the worker has left (cancel request, or the dialog disabled).
bool CaptureWorker::Checkpoint() {
    if (control_.StopRequested()) {
        result_ = kCancelled;
        do_return1(dialog_);
        return false;
    }
    if (!control_.DialogEnabled()) {
        result_ = kCancelled;
        do_return(dialog_, QString(), kCancelled);
        return false;
    }
    return true;
}

void CaptureWorker::Show(const QString &text) {
    shown_ = text;
    control_.PostText(text);
}

bool CaptureWorker::SecurityStateSatisfied() {
    uint8_t level = 0;
    return device_.getSecState(hDev_, &level) == 0 && level >= 1;
}

void CaptureWorker::Run() {
    for (;;) {
        // Pass start; also where a failed identification with retries left comes back.
        if (control_.StopRequested()) {
            do_return1(dialog_);
            return;
        }
        SecurityStateSatisfied();  // asked as the key expects; the answer does not change the course
        if (!Checkpoint()) return;
        result_ = FP_E_CAPTURE_FAILED;

        Next next = Next::LoopTest;
        while (result_ != 0 && !control_.StopRequested()) {
            next = CaptureStage();
            if (next == Next::Exit) return;
            if (next == Next::Extraction && ExtractionStage() == Next::Exit) return;
        }
        next = IdentificationStage();
        if (next == Next::Exit) return;
    }
}

CaptureWorker::Next CaptureWorker::CaptureStage() {
    if (!Checkpoint()) return Next::Exit;
    QString status = QObject::tr("Please swipe fingerprint......");
    if (showPrevious_) status = previousRetryText_ + "\n" + "\n" + status;
    Show(status);
    if (!Checkpoint()) return Next::Exit;
    result_ = device_.captureImage(hDev_);
    if (!Checkpoint()) return Next::Exit;
    control_.Sleep(kAfterCaptureMs);

    const WorkerOutcome *outcome = FindOutcome(CaptureOutcomes(), result_);
    if (outcome == nullptr) {
        do_return(dialog_, shown_, FP_E_UNKNOWN_STATUS);
        return Next::Exit;
    }
    if (outcome->text != nullptr) Show(Translated(outcome->text));
    switch (outcome->step) {
        case WorkerStep::Extract: return Next::Extraction;
        case WorkerStep::Exit:
            // The key wants the login first: the pass ends as locked.
            do_return(dialog_, shown_, kLocked);
            return Next::Exit;
        default: return Next::LoopTest;
    }
}

CaptureWorker::Next CaptureWorker::ExtractionStage() {
    if (!Checkpoint()) return Next::Exit;
    control_.Sleep(kBeforeExtractionMs);
    if (!Checkpoint()) return Next::Exit;
    Show(QObject::tr("Ongoing feature extraction,\nPlease wait......"));
    if (!Checkpoint()) return Next::Exit;
    result_ = device_.featureExtract(hDev_, kFeatureSlot);
    if (!Checkpoint()) return Next::Exit;

    const WorkerOutcome *outcome = FindOutcome(ExtractionOutcomes(), result_);
    if (outcome == nullptr) return Next::LoopTest;  // captures again; the label stays
    Show(Translated(outcome->text));
    switch (outcome->step) {
        case WorkerStep::Exit: do_return(dialog_, QString(), result_); return Next::Exit;
        case WorkerStep::CheckSecurity:
            // With the security state satisfied the features in the slot are
            // good enough to identify; otherwise capture again.
            result_ = SecurityStateSatisfied() ? 0 : kSecurityNotSatisfied;
            return Next::LoopTest;
        default: return Next::LoopTest;  // result 0 leaves the loop for identification
    }
}

CaptureWorker::Next CaptureWorker::IdentificationStage() {
    if (!Checkpoint()) return Next::Exit;
    showPrevious_ = false;
    result_ = device_.featureIdentify(hDev_, kIdentifyMode, &matchNumber_, &retries_);
    control_.PublishRetries(retries_);
    if (!Checkpoint()) return Next::Exit;

    const WorkerOutcome *outcome = FindOutcome(IdentificationOutcomes(), result_);
    if (outcome == nullptr) {
        do_return(dialog_, shown_, result_);
        return Next::Exit;
    }
    switch (outcome->step) {
        case WorkerStep::Identify:
            Show(QObject::tr("Login authentication success,\nThe fingerprint matches No.") +
                 QString::number(matchNumber_) + QObject::tr(" fingerprint template"));
            result_ = 0;
            control_.Sleep(kAfterSuccessTextMs);
            SuccessExit();
            return Next::Exit;
        case WorkerStep::Retry: Show(Translated(outcome->text)); return Retry();
        default:
            Show(Translated(outcome->text));
            do_return(dialog_, shown_, result_);
            return Next::Exit;
    }
}

CaptureWorker::Next CaptureWorker::Retry() {
    control_.Sleep(kAfterFailureTextMs);
    if (retries_ == 0 || retries_ > kMostRetries) {
        do_return(dialog_, QObject::tr("Card is locked."), result_);
        return Next::Exit;
    }
    previousRetryText_ = QObject::tr("Authentication failure may retry number:") + QString::number(retries_);
    showPrevious_ = true;
    Show(previousRetryText_);
    SecurityStateSatisfied();
    return Next::NewPass;
}

void CaptureWorker::SuccessExit() {
    if (!Checkpoint()) return;
    control_.Exit({.text = std::nullopt, .result = 0, .trace = "Marrowlight CheckFingerPrintThreadProc normal ret"});
}

}  // namespace

pthread_t CREATE_THREAD(void *(*start)(void *), void *arg) {
    pthread_t thread{};
    const int failed = pthread_create(&thread, nullptr, start, arg);
    if (failed != 0) {
        std::fprintf(stderr, "authdlg: cannot start the capture worker (error %d)\n", failed);
        return 0;
    }
    return thread;
}

void *CheckFingerPrintThreadProc(void *arg) {
    // The record is read once: the dialog may fill it again for a later worker.
    const WorkerArgument argument = *static_cast<const WorkerArgument *>(arg);
    CaptureWorker(argument.dialog, argument.hDev).Run();
    return nullptr;
}

int do_return(WFingerPrint *dialog, const QString &text, uint64_t code) {
    WorkerControl::Of(dialog).Exit({.text = text,
                                    .result = DialogResult(code),
                                    .pauseMs = kBeforeExitMs,
                                    .trace = "Marrowlight CheckFingerPrintThreadProc ret or ret0"});
    return 0;
}

int do_return1(WFingerPrint *dialog) {
    WorkerControl::Of(dialog).Exit({});
    return 0;
}

}  // namespace authdlg
