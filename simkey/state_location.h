// Where a key's state file really is. A state file reached through symbolic
// links is kept at the links' final target: the state is written there and
// the links stay links, so every name of the key sees the same key and
// shares one lock.
#ifndef SIMKEY_STATE_LOCATION_H
#define SIMKEY_STATE_LOCATION_H

#include <filesystem>

namespace simkey {

// Follows symbolic links from statePath (absolute) to the file they end at,
// which need not exist yet. Throws AddressError when that is a directory
// or lies in a directory that does not exist, StateFileUnusable for links
// that go round in circles or cannot be read. Creates nothing.
std::filesystem::path resolveStateFile(const std::filesystem::path &statePath);

}  // namespace simkey

#endif
