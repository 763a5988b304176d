// What links a fingerprint dialog and its capture worker. The worker never
// touches a widget: its label texts and its final result travel as queued
// invocations to the GUI thread, in order, and the GUI thread keeps the
// dialog's enabled state in an atomic for it. The dialog waits for its
// worker's exit before it is destroyed and before it starts another.
#ifndef AUTHDLG_WORKER_CONTROL_H
#define AUTHDLG_WORKER_CONTROL_H

#include <pthread.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

#include <QtCore/QObject>
#include <QtCore/QString>

#include "fpdevice/transport.h"

class WFingerPrint;

namespace authdlg {

class WorkerControl;

// The worker's argument record, filled immediately before each start.
struct WorkerArgument {
    WFingerPrint *dialog;
    DeviceContext *hDev;
    uint64_t dwFlags;  // not read by the worker
};

// Receives the worker's queued invocations on the GUI thread.
class WorkerMailbox : public QObject {
    Q_OBJECT

public:
    explicit WorkerMailbox(WorkerControl *control) : control_(control) {}
    // Applies the oldest pending update.
    Q_INVOKABLE void deliver();

private:
    WorkerControl *control_;
};

class WorkerControl {
public:
    explicit WorkerControl(WFingerPrint *dialog);
    ~WorkerControl();
    WorkerControl(const WorkerControl &) = delete;
    WorkerControl &operator=(const WorkerControl &) = delete;

    static WorkerControl &Of(WFingerPrint *dialog);

    // ---- GUI thread ----
    // Waits for an earlier worker, then starts `start` with a fresh
    // argument record and no stop request pending.
    void Start(void *(*start)(void *), DeviceContext *hDev, uint64_t dwFlags);
    // Whether a worker has been started and has not reached an exit yet.
    bool Running() const;
    // Asks the running worker to stop (g_CancelPressed), wakes it from its
    // pauses and drops whatever it still sends.
    void RequestStop();
    // RequestStop, then waits for the thread to end.
    void StopAndJoin();
    void SetDialogEnabled(bool enabled) { dialogEnabled_.store(enabled); }
    void DeliverOne();

    // ---- worker thread ----
    void PostText(const QString &text);
    void PostDone(int result);
    bool DialogEnabled() const { return dialogEnabled_.load(); }
    // Pauses the worker; a stop request cuts the pause short.
    void Sleep(unsigned milliseconds);
    // The worker has reached one of its exits.
    void MarkExited();
    void PublishRetries(uint8_t retries);

private:
    struct Update {
        unsigned generation;
        bool done;
        QString text;
        int result;
    };
    void Post(Update update);

    WFingerPrint *dialog_;
    std::unique_ptr<WorkerMailbox> mailbox_;
    WorkerArgument argument_{};
    std::atomic<bool> dialogEnabled_{true};

    // GUI thread only.
    pthread_t thread_{};
    bool joinable_ = false;
    unsigned generation_ = 0;   // of the latest worker; set before it starts
    bool dropUpdates_ = false;  // the latest worker was asked to stop

    std::atomic<bool> exited_{true};

    std::mutex mutex_;  // guards pending_ and wake_
    std::condition_variable wakeUp_;
    bool wake_ = false;
    std::deque<Update> pending_;
};

}  // namespace authdlg

#endif
