#include "simkey/key_address.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace simkey {
namespace {

constexpr std::string_view kT0Prefix = "sim-t0";
constexpr std::string_view kPrefix = "sim";

// Set-user-ID and set-group-ID programs do not let the caller move the key.
std::string environment(const char *name) {
    const char *value = secure_getenv(name);
    return value ? std::string(value) : std::string();
}

std::filesystem::path homeDirectory() {
    if (auto home = environment("HOME"); !home.empty()) {
        return home;
    }
    if (const passwd *entry = ::getpwuid(::getuid()); entry && entry->pw_dir && *entry->pw_dir) {
        return entry->pw_dir;
    }
    throw AddressError("cannot place the default simulated key: neither XDG_STATE_HOME nor HOME is set");
}

}  // namespace

std::filesystem::path defaultStatePath() {
    // Relative values are to be ignored, as the XDG base directory rules say.
    std::filesystem::path base = environment("XDG_STATE_HOME");
    if (base.empty() || base.is_relative()) {
        base = homeDirectory() / ".local" / "state";
    }
    return base / "fpkey" / "sim-key.json";
}

KeyAddress parseKeyAddress(std::string_view address) {
    KeyAddress key;
    std::string_view rest;
    if (address.starts_with(kT0Prefix)) {
        key.t0 = true;
        rest = address.substr(kT0Prefix.size());
    } else if (address.starts_with(kPrefix)) {
        rest = address.substr(kPrefix.size());
    } else {
        throw AddressError("unknown device address \"" + std::string(address) +
                           "\": this key manager opens simulated keys (sim, sim:PATH, sim-t0, sim-t0:PATH)");
    }
    if (rest.empty()) {
        key.statePath = defaultStatePath();
        key.defaultLocation = true;
    } else if (rest.front() == ':' && rest.size() > 1) {
        key.statePath = std::filesystem::absolute(std::filesystem::path(rest.substr(1)));
    } else {
        throw AddressError("malformed device address \"" + std::string(address) +
                           "\": expected sim, sim:PATH, sim-t0 or sim-t0:PATH");
    }
    const auto name = key.statePath.filename();
    if (!key.statePath.has_filename() || name == "." || name == "..") {
        throw AddressError("device address \"" + std::string(address) + "\" names a directory, not a key file");
    }
    return key;
}

void createStateDirectories(const std::filesystem::path &statePath) {
    std::filesystem::path current;
    for (const auto &part : statePath.parent_path()) {
        current /= part;
        if (::mkdir(current.c_str(), 0700) != 0 && errno != EEXIST) {
            throw AddressError("cannot create the directory " + current.string() +
                               " for the simulated key: " + std::strerror(errno));
        }
    }
}

}  // namespace simkey
