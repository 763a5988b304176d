#include "trusted_file.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pam_fpkey {
namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

TrustedRead Refused(const std::string &path, const std::string &why) {
    return {.trust = FileTrust::kRefused, .text = {}, .problem = path + ": " + why};
}

// O_NOFOLLOW: a link would be judged by its target, whose folder this check
// does not look at; so links are refused.
int OpenForCheck(const std::string &path) { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY); }

TrustedRead Check(const std::string &path, const Descriptor &file) {
    if (file.get() < 0) {
        if (errno == ENOENT) return {.trust = FileTrust::kMissing, .text = {}, .problem = path + ": no such file"};
        return Refused(path, std::strerror(errno));
    }
    struct stat status {};
    if (::fstat(file.get(), &status) != 0) return Refused(path, std::strerror(errno));
    if (!S_ISREG(status.st_mode)) return Refused(path, "not a regular file");
    if (status.st_uid != 0 && status.st_uid != ::geteuid()) return Refused(path, "owned by another user than root");
    if ((status.st_mode & (S_IWGRP | S_IWOTH)) != 0) return Refused(path, "writable by its group or by others");
    return {.trust = FileTrust::kTrusted, .text = {}, .problem = {}};
}

}  // namespace

TrustedRead CheckTrustedFile(const std::string &path) { return Check(path, Descriptor(OpenForCheck(path))); }

TrustedRead ReadTrustedFile(const std::string &path, size_t maxBytes) {
    const Descriptor file(OpenForCheck(path));
    TrustedRead result = Check(path, file);
    if (result.trust != FileTrust::kTrusted) return result;
    // The file may hold a key: the buffer is wiped before it goes.
    char buffer[4096];
    result.text.reserve(maxBytes);  // no growth, so no copy is left behind unwiped
    for (;;) {
        const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0 || result.text.size() + static_cast<size_t>(got) > maxBytes) {
            explicit_bzero(buffer, sizeof buffer);
            if (got == 0) return result;
            explicit_bzero(result.text.data(), result.text.size());
            return Refused(path, got < 0 ? std::strerror(errno) : "larger than " + std::to_string(maxBytes) + " bytes");
        }
        result.text.append(buffer, static_cast<size_t>(got));
    }
}

}  // namespace pam_fpkey
