// A program's hold on a key for as long as it has the key open, so that an
// operation of several commands (an enrolment: captures, extractions, file
// writes) is never interleaved with another program's. Exclusive holds keep
// every other program out; shared holds admit other shared ones, for tools
// that only read. Connections of one process share its hold (the process
// serialises its own connections, as a host does for one handle); across
// processes, a hold ends when the process does, however it ends.
#ifndef SIMKEY_KEY_OWNERSHIP_H
#define SIMKEY_KEY_OWNERSHIP_H

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <utility>

#include <sys/types.h>

#include "simkey/lock_file.h"

namespace simkey {

// Another program held the key for the whole time the caller was willing to wait.
class KeyBusy : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class KeyClaim {
public:
    // Waits up to `wait` for the key; throws KeyBusy, or StateFileNotWritten
    // when its lock file cannot be used.
    KeyClaim(const std::filesystem::path &stateFile, LockKind kind, std::chrono::milliseconds wait);
    KeyClaim(const KeyClaim &) = delete;
    KeyClaim &operator=(const KeyClaim &) = delete;
    ~KeyClaim();

private:
    std::pair<dev_t, ino_t> lockFile_{};  // what identifies the key within the process
    LockKind kind_;
};

}  // namespace simkey

#endif
