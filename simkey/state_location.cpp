#include "simkey/state_location.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "simkey/key_address.h"
#include "simkey/state_store.h"

namespace simkey {
namespace {

// As many links as the kernel follows in one path lookup.
constexpr int kMaxLinks = 40;

std::filesystem::path linkTarget(const std::filesystem::path &link) {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = ::readlink(link.c_str(), buffer.data(), buffer.size());
        if (length < 0) {
            throw StateFileUnusable("the simulated key state file " + link.string() +
                                    " is a symbolic link that cannot be read (" + std::strerror(errno) + ")");
        }
        if (static_cast<size_t>(length) < buffer.size()) {
            const std::filesystem::path target(std::string(buffer.data(), static_cast<size_t>(length)));
            return target.is_absolute() ? target : link.parent_path() / target;
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace

std::filesystem::path resolveStateFile(const std::filesystem::path &statePath) {
    std::filesystem::path current = statePath;
    for (int links = 0;; ++links) {
        struct stat status {};
        if (::lstat(current.c_str(), &status) != 0) {
            if (errno != ENOENT) {
                break;  // reading the file will say what is wrong with it
            }
            struct stat directory {};
            const auto parent = current.parent_path();
            if (::stat(parent.c_str(), &directory) != 0 || !S_ISDIR(directory.st_mode)) {
                throw AddressError("the directory " + parent.string() + " of the simulated key " + statePath.string() +
                                   " does not exist");
            }
            break;
        }
        if (S_ISDIR(status.st_mode)) {
            throw AddressError("the simulated key " + statePath.string() + " names a directory, not a key file");
        }
        if (!S_ISLNK(status.st_mode)) {
            break;
        }
        if (links == kMaxLinks) {
            throw StateFileUnusable("the simulated key state file " + statePath.string() +
                                    " is unusable: its symbolic links go round in circles");
        }
        current = linkTarget(current);
    }
    return current;
}

}  // namespace simkey
