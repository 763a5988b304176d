// The capture-and-identify worker: while the fingerprint dialog is open it
// has the key capture, extract and identify a finger, reports every outcome
// in the dialog's label and ends the dialog with a result code.
#ifndef AUTHDLG_CAPTURE_WORKER_H
#define AUTHDLG_CAPTURE_WORKER_H

#include <pthread.h>

#include <cstdint>

#include <QtCore/QString>

class WFingerPrint;

namespace authdlg {

// Starts a POSIX thread with default attributes; the caller joins it.
pthread_t CREATE_THREAD(void *(*start)(void *), void *arg);

// The worker; `arg` is the dialog's WorkerArgument. Returns null on every path.
void *CheckFingerPrintThreadProc(void *arg);

// Exits of the worker, both through WorkerControl::Exit. do_return shows a
// text and ends the dialog with a code (when the dialog is enabled);
// do_return1 stops silently after a cancel request.
int do_return(WFingerPrint *dialog, const QString &text, uint64_t code);
int do_return1(WFingerPrint *dialog);

}  // namespace authdlg

#endif
