#include "simkey/key_ownership.h"

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include "simkey/file_descriptor.h"
#include "simkey/state_store.h"

namespace simkey {
namespace {

constexpr auto kRetryInterval = std::chrono::milliseconds(20);

// The lock-file descriptor of a key this process holds, and how many of its
// connections hold it in each way.
struct Hold {
    int descriptor = -1;
    unsigned exclusive = 0;
    unsigned shared = 0;

    unsigned &count(LockKind kind) { return kind == LockKind::exclusive ? exclusive : shared; }
};

struct HoldTable {
    std::mutex mutex;
    std::map<std::pair<dev_t, ino_t>, Hold> holds;
};

HoldTable &holdTable();

// A forked child shares its parent's lock-file descriptions, and with them
// the parent's holds: it would keep the key held after the parent let go,
// and its own opens would pass as the parent's. The holds stay the parent's.
void lockTableForFork() { holdTable().mutex.lock(); }
void unlockTableInParent() { holdTable().mutex.unlock(); }
void dropHoldsInChild() {
    HoldTable &table = holdTable();
    for (const auto &[file, hold] : table.holds) {
        ::close(hold.descriptor);
    }
    table.holds.clear();
    table.mutex.unlock();
}

HoldTable &holdTable() {
    // Never destroyed: connections may outlive static destruction.
    static auto *table = [] {
        auto *created = new HoldTable;
        ::pthread_atfork(lockTableForFork, unlockTableInParent, dropHoldsInChild);
        return created;
    }();
    return *table;
}

std::string seconds(std::chrono::milliseconds wait) {
    const auto tenths = wait.count() / 100;
    return std::to_string(tenths / 10) + (tenths % 10 ? "." + std::to_string(tenths % 10) : "") + " s";
}

}  // namespace

KeyClaim::KeyClaim(const std::filesystem::path &stateFile, LockKind kind, std::chrono::milliseconds wait)
    : kind_(kind) {
    const auto lockFile = lockFileOf(stateFile);
    Descriptor descriptor(openLockFile(stateFile));
    struct stat status {};
    if (::fstat(descriptor.get(), &status) != 0) {
        throw StateFileNotWritten("cannot examine the lock file " + lockFile.string() + ": " + std::strerror(errno));
    }
    lockFile_ = {status.st_dev, status.st_ino};
    auto &table = holdTable();
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        {
            std::lock_guard guard(table.mutex);
            if (const auto found = table.holds.find(lockFile_); found != table.holds.end()) {
                Hold &hold = found->second;
                // Another connection of this process holds the key; an
                // exclusive claim over a shared hold has to win the key first.
                if (kind == LockKind::shared || hold.exclusive > 0 ||
                    tryLockByte(hold.descriptor, LockByte::ownership, LockKind::exclusive, lockFile)) {
                    ++hold.count(kind);
                    return;
                }
            } else if (tryLockByte(descriptor.get(), LockByte::ownership, kind, lockFile)) {
                Hold hold;
                hold.descriptor = descriptor.release();
                ++hold.count(kind);
                table.holds.emplace(lockFile_, hold);
                return;
            }
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            throw KeyBusy("key busy: another program has the simulated key " + stateFile.string() + " open (waited " +
                          seconds(wait) + ")");
        }
        std::this_thread::sleep_for(kRetryInterval);
    }
}

KeyClaim::~KeyClaim() {
    auto &table = holdTable();
    std::lock_guard guard(table.mutex);
    const auto found = table.holds.find(lockFile_);
    if (found == table.holds.end()) {
        return;
    }
    Hold &hold = found->second;
    --hold.count(kind_);
    if (hold.exclusive == 0 && hold.shared == 0) {
        ::close(hold.descriptor);  // ends the lock
        table.holds.erase(found);
    } else if (hold.exclusive == 0 && kind_ == LockKind::exclusive) {
        // The remaining connections hold the key shared; turning a lock into
        // a weaker one never waits and never fails for another holder.
        try {
            tryLockByte(hold.descriptor, LockByte::ownership, LockKind::shared, {});
        } catch (const StateFileNotWritten &) {
            // Still held exclusively: stricter than needed, never looser.
        }
    }
}

}  // namespace simkey
