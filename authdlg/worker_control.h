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
#include <optional>

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

// How the worker leaves: what it last shows and the result it ends the
// dialog with (neither when the dialog is disabled), and how long it pauses
// before it clears the stop request.
struct WorkerExit {
    std::optional<QString> text;  // none: the label keeps its text
    std::optional<int> result;    // none: the dialog stays open
    unsigned pauseMs = 0;
    const char *trace = nullptr;  // none: nothing is traced
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

    // The stop request, the worker handle, the start and the join are kept
    // here and nowhere else; g_CancelPressed is the stop request as hosts
    // see it.

    // ---- GUI thread ----
    // Waits for an earlier worker, then starts `start` with a fresh
    // argument record and no stop request pending.
    void Start(void *(*start)(void *), DeviceContext *hDev, uint64_t dwFlags);
    // Whether a worker has been started and has not reached an exit yet.
    bool Running() const;
    // A new showing of the dialog: a stop request still pending is dropped.
    void ClearStopRequest();
    // Asks the running worker to stop, wakes it from its pauses and drops
    // whatever it still sends. Without a running worker nothing is asked.
    void RequestStop();
    // Cancel: the stop request is set even when no worker runs.
    void Cancel();
    // RequestStop, then waits for the thread to end. Afterwards no stop
    // request is pending.
    void StopAndJoin();
    void SetDialogEnabled(bool enabled) { dialogEnabled_.store(enabled); }
    void DeliverOne();

    // ---- worker thread ----
    bool StopRequested() const;
    void PostText(const QString &text);
    void PostDone(int result);
    bool DialogEnabled() const { return dialogEnabled_.load(); }
    // Pauses the worker; a stop request cuts the pause short.
    void Sleep(unsigned milliseconds);
    void PublishRetries(uint8_t retries);
    // The worker's only way out: it is marked exited and its handle cleared,
    // then it shows and ends what `how` says, pauses, clears the stop
    // request and traces.
    void Exit(const WorkerExit &how);

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
    bool dropUpdates_ = false;  // the latest worker was asked to stop

    // Of the latest worker. Written on the GUI thread only while no worker
    // runs (before the start, after the join); the worker reads it.
    unsigned generation_ = 0;

    std::atomic<bool> exited_{true};

    std::mutex mutex_;  // guards pending_ and wake_
    std::condition_variable wakeUp_;
    bool wake_ = false;
    std::deque<Update> pending_;
};

}  // namespace authdlg

#endif
