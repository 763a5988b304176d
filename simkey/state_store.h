// The file that holds one simulated key. Every access runs under an
// exclusive lock in "<file>.lock", so processes and connections sharing the
// key see each other's changes and never a half-written state.
#ifndef SIMKEY_STATE_STORE_H
#define SIMKEY_STATE_STORE_H

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include "simkey/key_state.h"

namespace simkey {

// The state file exists but cannot be read or does not describe a key. The
// file is left as it is; what() names it, says what is wrong and what to do.
class StateFileUnusable : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The state (or its lock) could not be written; the previous state remains.
class StateFileNotWritten : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class StateStore {
public:
    // Follows symbolic links to the file they end at (see state_location.h);
    // throws AddressError or StateFileUnusable as resolveStateFile does.
    explicit StateStore(const std::filesystem::path &statePath);

    const std::filesystem::path &path() const { return path_; }

    // Runs change(state) under the lock and stores the state afterwards when
    // it changed (or did not exist yet: a missing file is a factory-new key).
    // Returns what change returned.
    template <class Change>
    auto update(Change &&change) {
        Lock lock = lockExclusive();
        auto [state, existed] = loadOrFactory();
        const KeyState before = state;
        auto result = change(state);
        if (!existed || !(state == before)) {
            write(state);
        }
        return result;
    }

    // Replaces whatever the file holds, readable or not, with a factory-new
    // key. The serial number survives when the old state was readable.
    void resetToFactory();

    // Removes the temporary files that writers killed before they could
    // finish left behind; under the lock, no live writer has one.
    void sweepLeftovers();

private:
    class Lock {
    public:
        explicit Lock(int descriptor) : descriptor_(descriptor) {}
        Lock(Lock &&other) noexcept : descriptor_(std::exchange(other.descriptor_, -1)) {}
        Lock(const Lock &) = delete;
        Lock &operator=(const Lock &) = delete;
        Lock &operator=(Lock &&) = delete;
        ~Lock();

    private:
        int descriptor_;
    };

    Lock lockExclusive() const;
    void removeStaleTemporaries() const;
    std::pair<KeyState, bool> loadOrFactory() const;
    std::optional<KeyState> read() const;
    void write(const KeyState &state) const;
    [[noreturn]] void unusable(const std::string &problem) const;

    std::filesystem::path path_;
};

}  // namespace simkey

#endif
