#include "simkey/state_store.h"

#include <cerrno>
#include <cstring>
#include <string_view>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "simkey/file_descriptor.h"
#include "simkey/card_crypto.h"
#include "simkey/lock_file.h"
#include "simkey/state_json.h"
#include "simkey/state_location.h"

namespace simkey {
namespace {

// The state file holds a few tens of kilobytes; anything far beyond is not ours.
constexpr off_t kMaxStateFileSize = 4 * 1024 * 1024;

// New states are written to "<file>.tmp-XXXXXX" (mkostemp fills in the X)
// and renamed into place. The marker keeps them apart from the user's own
// files beside the key, such as "key.json.backup".
constexpr std::string_view kTemporaryMarker = ".tmp-";
constexpr size_t kTemporaryUniqueLength = 6;

bool isTemporaryOf(const std::string &name, const std::string &stateName) {
    const std::string prefix = stateName + std::string(kTemporaryMarker);
    if (name.size() != prefix.size() + kTemporaryUniqueLength || !name.starts_with(prefix)) {
        return false;
    }
    for (size_t i = prefix.size(); i < name.size(); ++i) {
        const char c = name[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) {
            return false;
        }
    }
    return true;
}

std::string errnoText(int error) { return std::strerror(error); }

// nlohmann's messages start with "[json.exception.parse_error.101] ".
std::string withoutExceptionTag(std::string_view message) {
    if (!message.empty() && message.front() == '[') {
        if (const auto end = message.find("] "); end != std::string_view::npos) {
            message.remove_prefix(end + 2);
        }
    }
    return std::string(message);
}

bool writeAll(int descriptor, const std::string &text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = ::write(descriptor, text.data() + done, text.size() - done);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<size_t>(written);
    }
    return true;
}

}  // namespace

StateStore::StateStore(const std::filesystem::path &statePath) : path_(resolveStateFile(statePath)) {}

StateStore::Lock::~Lock() {
    if (descriptor_ >= 0) {
        ::close(descriptor_);  // ends the lock
    }
}

StateStore::Lock StateStore::lockExclusive() const {
    Descriptor descriptor(openLockFile(path_));
    lockByte(descriptor.get(), LockByte::stateAccess, LockKind::exclusive, lockFileOf(path_));
    return Lock(descriptor.release());
}

void StateStore::sweepLeftovers() {
    Lock lock = lockExclusive();
    removeStaleTemporaries();
}

void StateStore::removeStaleTemporaries() const {
    const std::filesystem::path directory = path_.parent_path();
    DIR *entries = ::opendir(directory.c_str());
    if (!entries) {
        return;  // nothing can be removed where nothing can be listed
    }
    const std::string stateName = path_.filename().string();
    while (const dirent *entry = ::readdir(entries)) {
        const std::string name = entry->d_name;
        struct stat status {};
        const auto candidate = directory / name;
        // Only our own regular files; whatever else matches the pattern stays.
        if (isTemporaryOf(name, stateName) && ::lstat(candidate.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
            status.st_uid == ::geteuid()) {
            ::unlink(candidate.c_str());
        }
    }
    ::closedir(entries);
}

void StateStore::unusable(const std::string &problem) const {
    throw StateFileUnusable("the simulated key state file " + path_.string() + " is unusable: " + problem +
                            ". The file was left unchanged; move it away (or reset the simulated key) "
                            "to start again with a factory-new key");
}

std::optional<KeyState> StateStore::read() const {
    // Opening a FIFO or a device for reading can block or have effects of its
    // own, so the file is examined first and opened without blocking.
    struct stat status {};
    if (::stat(path_.c_str(), &status) != 0) {
        if (errno == ENOENT) {
            return std::nullopt;
        }
        unusable("it cannot be examined (" + errnoText(errno) + ")");
    }
    if (!S_ISREG(status.st_mode)) {
        unusable("it is not a regular file");
    }
    Descriptor descriptor(::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (descriptor.get() < 0) {
        if (errno == ENOENT) {
            return std::nullopt;
        }
        unusable("it cannot be opened (" + errnoText(errno) + ")");
    }
    if (::fstat(descriptor.get(), &status) != 0) {
        unusable("it cannot be examined (" + errnoText(errno) + ")");
    }
    if (!S_ISREG(status.st_mode)) {
        unusable("it is not a regular file");
    }
    if (status.st_size > kMaxStateFileSize) {
        unusable("it is larger than any key state (" + std::to_string(status.st_size) + " bytes)");
    }
    std::string text;
    char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(descriptor.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            unusable("it cannot be read (" + errnoText(errno) + ")");
        }
        if (got == 0) {
            break;
        }
        text.append(buffer, static_cast<size_t>(got));
        if (text.size() > static_cast<size_t>(kMaxStateFileSize)) {
            unusable("it is larger than any key state");
        }
    }
    if (text.empty()) {
        unusable("it is empty");
    }
    nlohmann::json document;
    try {
        document = nlohmann::json::parse(text);
    } catch (const nlohmann::json::exception &error) {
        unusable("it is not valid JSON (" + withoutExceptionTag(error.what()) + ")");
    }
    try {
        return stateFromJson(document);
    } catch (const StateFormatError &error) {
        unusable(error.what());
    } catch (const nlohmann::json::exception &error) {
        unusable(withoutExceptionTag(error.what()));
    }
}

std::pair<KeyState, bool> StateStore::loadOrFactory() const {
    if (auto state = read()) {
        return {std::move(*state), true};
    }
    return {factoryState(newSerialNumber()), false};
}

void StateStore::write(const KeyState &state) const {
    const std::string text = stateToJson(state).dump(1) + "\n";
    const std::filesystem::path directory = path_.has_parent_path() ? path_.parent_path() : ".";
    std::string temporary = path_.string() + std::string(kTemporaryMarker) + std::string(kTemporaryUniqueLength, 'X');
    Descriptor descriptor(::mkostemp(temporary.data(), O_CLOEXEC));
    const auto failed = [&](const std::string &what) {
        const int error = errno;
        if (descriptor.get() >= 0) {
            ::unlink(temporary.c_str());
        }
        throw StateFileNotWritten("cannot store the simulated key in " + path_.string() + ": " + what + " (" +
                                  errnoText(error) + ")");
    };
    if (descriptor.get() < 0) {
        failed("no temporary file");
    }
    if (::fchmod(descriptor.get(), 0600) != 0 || !writeAll(descriptor.get(), text) || ::fsync(descriptor.get()) != 0) {
        failed("writing the temporary file failed");
    }
    if (::close(descriptor.release()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        throw StateFileNotWritten("cannot store the simulated key in " + path_.string() + ": " + errnoText(error));
    }
    if (::rename(temporary.c_str(), path_.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        throw StateFileNotWritten("cannot store the simulated key in " + path_.string() + ": " + errnoText(error));
    }
    // The rename is durable only once the directory entry is on disk. The
    // new state is in place already, so a failure here is not reported as a
    // lost change: the command did take effect.
    Descriptor directoryDescriptor(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directoryDescriptor.get() >= 0) {
        ::fsync(directoryDescriptor.get());
    }
}

void StateStore::resetToFactory() {
    Lock lock = lockExclusive();
    removeStaleTemporaries();
    std::string serial;
    uint64_t resetCount = 0;
    try {
        if (const auto old = read()) {
            serial = old->serialNumber;
            resetCount = old->resetCount + 1;
        }
    } catch (const StateFileUnusable &) {
        // An explicit reset is the way out of an unusable file. A reset count
        // nobody has seen makes open connections drop their security state.
        const auto bytes = randomBytes(6);
        for (uint8_t byte : bytes) {
            resetCount = (resetCount << 8) | byte;
        }
    }
    KeyState fresh = factoryState(serial.empty() ? newSerialNumber() : serial);
    fresh.resetCount = resetCount;
    write(fresh);
}

}  // namespace simkey
