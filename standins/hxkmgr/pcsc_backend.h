// Keys behind PC/SC as the key manager's entry points see them: connecting
// one, exchanges on its handle, closing it, and the readers PC/SC knows.
// Nothing here needs the PC/SC headers, whose names clash with the device
// API's (SCardTransmit, g_rgSCardT0Pci).
#ifndef HXKMGR_PCSC_BACKEND_H
#define HXKMGR_PCSC_BACKEND_H

#include <chrono>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace hxkmgr::pcsc {

// A key behind PC/SC could not be reached; what() tells why and what to do.
class Failure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Another program held the key for the whole time the caller was willing to wait.
class KeyBusy : public Failure {
public:
    using Failure::Failure;
};

// As the HXKEY_SHARE_ modes: a direct connection holds no card.
enum class Share { exclusive, shared, direct };

struct Connected {
    uint64_t handle = 0;
    uint64_t protocol = 0;  // 1 T=0, 2 T=1 (as PC/SC numbers them), 0 without a card
};

// Whether the address is meant for PC/SC ("pcsc", "pcsc:NAME"); it may still be malformed.
bool isAddress(std::string_view address);

// Throws KeyBusy when another program held the key for all of `wait`,
// Failure for any other reason.
Connected connect(std::string_view address, Share share, std::chrono::milliseconds wait);

// Whether the handle is one of ours (live or closed).
bool owns(uint64_t handle);

struct Exchange {
    enum class Outcome {
        answered,          // statusWord is the key's, its data in the response
        transportFailure,  // no answer from the key: problem tells why
        doesNotFit,        // the answer's data is longer than the capacity
        noCard,            // a direct connection sends nothing
    };
    Outcome outcome = Outcome::transportFailure;
    uint16_t statusWord = 0;
    std::string problem;
};

// One transmit on the handle; *responseLength gets the data length (0 unless answered).
Exchange transmit(uint64_t handle, std::span<const uint8_t> command, uint8_t *response, uint64_t capacity,
                  uint64_t *responseLength);

void close(uint64_t handle);

struct Reader {
    std::string name;
    bool cardPresent = false;
    bool heldExclusively = false;  // by some program
    std::vector<uint8_t> atr;      // empty without a card
};

// Every reader PC/SC knows (none is not a failure); throws Failure.
std::vector<Reader> readers();

}  // namespace hxkmgr::pcsc

#endif
