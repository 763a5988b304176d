// The lock file beside a key's state file ("<file>.lock"). Two of its bytes
// are locked, with open-file-description locks so that every open of the
// file (not only every process) counts as its own holder:
//  - byte 0 guards the state file for one read or change;
//  - byte 1 is held for as long as a program has the key open, shared by
//    readers or exclusively by one program.
// Both are byte-range locks of one kind, so that they never meet where a
// file system emulates whole-file locks with byte-range ones (NFS).
#ifndef SIMKEY_LOCK_FILE_H
#define SIMKEY_LOCK_FILE_H

#include <filesystem>

namespace simkey {

enum class LockByte { stateAccess = 0, ownership = 1 };
enum class LockKind { shared, exclusive };

std::filesystem::path lockFileOf(const std::filesystem::path &stateFile);

// Opens (creating it when missing) the lock file of a key; throws
// StateFileNotWritten naming the lock file when it cannot.
int openLockFile(const std::filesystem::path &stateFile);

// Takes the lock at once or answers false when another holder has it;
// throws StateFileNotWritten when locking itself fails.
bool tryLockByte(int descriptor, LockByte byte, LockKind kind, const std::filesystem::path &lockFile);
// Waits for the lock; throws StateFileNotWritten when locking fails.
void lockByte(int descriptor, LockByte byte, LockKind kind, const std::filesystem::path &lockFile);

}  // namespace simkey

#endif
