// Device addresses of simulated keys: "sim", "sim:PATH", "sim-t0", "sim-t0:PATH".
#ifndef SIMKEY_KEY_ADDRESS_H
#define SIMKEY_KEY_ADDRESS_H

#include <filesystem>
#include <stdexcept>
#include <string_view>

namespace simkey {

class AddressError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct KeyAddress {
    std::filesystem::path statePath;  // absolute
    bool t0 = false;                  // the connection talks T=0
    bool defaultLocation = false;     // the state lives in the default place
};

// Throws AddressError for anything that is not a simulated key's address,
// including paths that can only name a directory ("sim:.", "sim:dir/").
// Looks at the text only: the file system is neither read nor changed.
KeyAddress parseKeyAddress(std::string_view address);

// $XDG_STATE_HOME/fpkey/sim-key.json, else ~/.local/state/fpkey/sim-key.json.
// A set-user-ID or set-group-ID program ignores XDG_STATE_HOME and HOME and
// takes the home folder from the password database.
std::filesystem::path defaultStatePath();

// Creates the missing directories above the state file with mode 0700.
void createStateDirectories(const std::filesystem::path &statePath);

}  // namespace simkey

#endif
