#include "simkey/state_store.h"

#include <cerrno>
#include <cstring>
#include <string_view>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "simkey/card_crypto.h"
#include "simkey/state_json.h"

namespace simkey {
namespace {

// The state file holds a few tens of kilobytes; anything far beyond is not ours.
constexpr off_t kMaxStateFileSize = 4 * 1024 * 1024;

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

class Descriptor {
public:
    explicit Descriptor(int descriptor) : descriptor_(descriptor) {}
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    ~Descriptor() {
        if (descriptor_ >= 0) {
            ::close(descriptor_);
        }
    }
    int get() const { return descriptor_; }
    int release() { return std::exchange(descriptor_, -1); }

private:
    int descriptor_;
};

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

StateStore::StateStore(std::filesystem::path statePath) : path_(std::move(statePath)) {}

StateStore::Lock::~Lock() {
    if (descriptor_ >= 0) {
        ::flock(descriptor_, LOCK_UN);
        ::close(descriptor_);
    }
}

StateStore::Lock StateStore::lockExclusive() const {
    const std::string lockPath = path_.string() + ".lock";
    Descriptor descriptor(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (descriptor.get() < 0) {
        throw StateFileNotWritten("cannot open the lock file " + lockPath + " of the simulated key: " +
                                  errnoText(errno));
    }
    while (::flock(descriptor.get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            throw StateFileNotWritten("cannot lock " + lockPath + ": " + errnoText(errno));
        }
    }
    return Lock(descriptor.release());
}

void StateStore::unusable(const std::string &problem) const {
    throw StateFileUnusable("the simulated key state file " + path_.string() + " is unusable: " + problem +
                            ". The file was left unchanged; move it away (or reset the simulated key) "
                            "to start again with a factory-new key");
}

std::optional<KeyState> StateStore::read() const {
    Descriptor descriptor(::open(path_.c_str(), O_RDONLY | O_CLOEXEC));
    if (descriptor.get() < 0) {
        if (errno == ENOENT) {
            return std::nullopt;
        }
        unusable("it cannot be opened (" + errnoText(errno) + ")");
    }
    struct stat status {};
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
    std::string temporary = path_.string() + ".XXXXXX";
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
    if (::fchmod(descriptor.get(), 0600) != 0 || !writeAll(descriptor.get(), text) ||
        ::fsync(descriptor.get()) != 0) {
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
