// What one connection to the key remembers and the key file does not: the
// security state reached on this connection, the pending challenge, the
// current file and the image being downloaded.
#ifndef SIMKEY_SESSION_H
#define SIMKEY_SESSION_H

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace simkey {

struct Session {
    uint64_t resetCount = 0;  // of the key when this security state began
    bool authenticated = false;
    bool pinVerified = false;
    std::optional<std::array<uint8_t, 16>> challenge;
    std::optional<uint16_t> selectedFile;

    // A factory reset of the key (by any connection) ends the security state.
    void followKey(uint64_t keyResetCount) {
        if (keyResetCount != resetCount) {
            *this = Session{};
            resetCount = keyResetCount;
        }
    }
};

// The gray image the host sends line block by line block.
struct ImageDownload {
    uint64_t lineBytes = 0;
    uint64_t lines = 0;
    std::vector<uint8_t> pixels;
    bool sensed = false;  // taken by a capture already: it stays for reading back, not for a second capture
};

}  // namespace simkey

#endif
