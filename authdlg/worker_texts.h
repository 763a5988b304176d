// What the worker shows for each answer of the key, per stage. The texts are
// translation source strings in the context "QObject".
#ifndef AUTHDLG_WORKER_TEXTS_H
#define AUTHDLG_WORKER_TEXTS_H

#include <cstdint>
#include <span>

namespace authdlg {

enum class WorkerStep {
    Extract,        // capture succeeded: extraction follows
    CaptureAgain,   // back to the loop test
    Exit,           // exit through do_return
    Identify,       // identification succeeded
    Retry,          // identification failed with retries to count
    CheckSecurity,  // extraction's parameter error: ask the security state
};

struct WorkerOutcome {
    uint64_t code;
    const char *text;  // null: the label keeps its text
    WorkerStep step;
};

std::span<const WorkerOutcome> CaptureOutcomes();
std::span<const WorkerOutcome> ExtractionOutcomes();
std::span<const WorkerOutcome> IdentificationOutcomes();

// The entry for `code`, or null for a code outside the table.
const WorkerOutcome *FindOutcome(std::span<const WorkerOutcome> table, uint64_t code);

}  // namespace authdlg

#endif
