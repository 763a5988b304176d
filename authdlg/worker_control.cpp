#include "worker_control.h"

#include <chrono>

#include "authdlg.h"
#include "capture_worker.h"
#include "console.h"
#include "wfingerprint.h"

namespace authdlg {

void WorkerMailbox::deliver() { control_->DeliverOne(); }

WorkerControl::WorkerControl(WFingerPrint *dialog) : dialog_(dialog), mailbox_(std::make_unique<WorkerMailbox>(this)) {}

WorkerControl::~WorkerControl() { StopAndJoin(); }

WorkerControl &WorkerControl::Of(WFingerPrint *dialog) { return *dialog->worker_; }

void WorkerControl::Start(void *(*start)(void *), DeviceContext *hDev, uint64_t dwFlags) {
    // The earlier worker is gone afterwards, and with it its stop request.
    StopAndJoin();
    ++generation_;
    dropUpdates_ = false;
    {
        std::lock_guard lock(mutex_);
        wake_ = false;
    }
    exited_.store(false);
    argument_ = WorkerArgument{dialog_, hDev, dwFlags};
    thread_ = CREATE_THREAD(start, &argument_);
    if (thread_ == 0) {
        // No worker: the dialog keeps its prompt and Cancel still ends it.
        exited_.store(true);
        return;
    }
    joinable_ = true;
    // The worker may already have finished and cleared the handle; it must
    // not be set again then. Both sides use sequentially consistent order:
    // either this thread sees the exit, or the worker clears after the store.
    dialog_->hThread.store(thread_);
    if (exited_.load()) dialog_->hThread.store(0);
}

bool WorkerControl::Running() const { return joinable_ && !exited_.load(); }

void WorkerControl::ClearStopRequest() { g_CancelPressed.store(0); }

bool WorkerControl::StopRequested() const { return g_CancelPressed.load() != 0; }

void WorkerControl::RequestStop() {
    if (!joinable_) return;
    if (!exited_.load()) g_CancelPressed.store(1);
    dropUpdates_ = true;
    {
        std::lock_guard lock(mutex_);
        wake_ = true;
    }
    wakeUp_.notify_all();
}

void WorkerControl::Cancel() {
    g_CancelPressed.store(1);
    RequestStop();
}

void WorkerControl::StopAndJoin() {
    if (joinable_) {
        RequestStop();
        pthread_join(thread_, nullptr);
        joinable_ = false;
        std::lock_guard lock(mutex_);
        pending_.clear();
    }
    ClearStopRequest();
}

void WorkerControl::DeliverOne() {
    Update update;
    {
        std::lock_guard lock(mutex_);
        if (pending_.empty()) return;
        update = std::move(pending_.front());
        pending_.pop_front();
    }
    if (update.generation != generation_ || dropUpdates_) return;
    if (!update.done) {
        dialog_->outlabel->setText(update.text);
    } else if (dialog_->isVisible()) {
        // The first ending of a pass wins (Cancel may have come first).
        dialog_->done(update.result);
    }
}

void WorkerControl::Post(Update update) {
    {
        std::lock_guard lock(mutex_);
        pending_.push_back(std::move(update));
    }
    // One queued invocation per update keeps each text on screen for at
    // least one turn of the event loop.
    QMetaObject::invokeMethod(mailbox_.get(), "deliver", Qt::QueuedConnection);
}

void WorkerControl::PostText(const QString &text) { Post(Update{generation_, false, text, 0}); }

void WorkerControl::PostDone(int result) { Post(Update{generation_, true, QString(), result}); }

void WorkerControl::Sleep(unsigned milliseconds) {
    std::unique_lock lock(mutex_);
    wakeUp_.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return wake_; });
}

void WorkerControl::PublishRetries(uint8_t retries) { dialog_->RetryTimes.store(retries); }

void WorkerControl::Exit(const WorkerExit &how) {
    exited_.store(true);
    dialog_->hThread.store(0);
    if (DialogEnabled()) {
        if (how.text) PostText(*how.text);
        if (how.result) PostDone(*how.result);
    }
    if (how.pauseMs != 0) Sleep(how.pauseMs);
    ClearStopRequest();
    if (how.trace != nullptr) MYTRACE("%s", how.trace);
}

}  // namespace authdlg
