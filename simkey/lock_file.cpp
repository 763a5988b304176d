#include "simkey/lock_file.h"

#include <cerrno>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <unistd.h>

#include "simkey/state_store.h"

namespace simkey {
namespace {

struct flock byteRange(LockByte byte, LockKind kind) {
    struct flock range {};
    range.l_type = kind == LockKind::exclusive ? F_WRLCK : F_RDLCK;
    range.l_whence = SEEK_SET;
    range.l_start = static_cast<off_t>(byte);
    range.l_len = 1;
    return range;
}

}  // namespace

std::filesystem::path lockFileOf(const std::filesystem::path &stateFile) { return stateFile.string() + ".lock"; }

int openLockFile(const std::filesystem::path &stateFile) {
    const auto lockFile = lockFileOf(stateFile);
    const int descriptor = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (descriptor < 0) {
        throw StateFileNotWritten("cannot open the lock file " + lockFile.string() +
                                  " of the simulated key: " + std::strerror(errno));
    }
    return descriptor;
}

bool tryLockByte(int descriptor, LockByte byte, LockKind kind, const std::filesystem::path &lockFile) {
    struct flock range = byteRange(byte, kind);
    while (::fcntl(descriptor, F_OFD_SETLK, &range) != 0) {
        if (errno == EAGAIN || errno == EACCES) {
            return false;
        }
        if (errno != EINTR) {
            throw StateFileNotWritten("cannot lock " + lockFile.string() + ": " + std::strerror(errno));
        }
    }
    return true;
}

void lockByte(int descriptor, LockByte byte, LockKind kind, const std::filesystem::path &lockFile) {
    struct flock range = byteRange(byte, kind);
    while (::fcntl(descriptor, F_OFD_SETLKW, &range) != 0) {
        if (errno != EINTR) {
            throw StateFileNotWritten("cannot lock " + lockFile.string() + ": " + std::strerror(errno));
        }
    }
}

}  // namespace simkey
