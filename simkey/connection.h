// One connection to a simulated key: the transport (T=1, or T=0 with GET
// RESPONSE), the session and the control operations of the simulator.
// Exchanges on one connection are serialised; an exclusive or shared
// connection holds the key (key_ownership.h) from open() until it ends.
#ifndef SIMKEY_CONNECTION_H
#define SIMKEY_CONNECTION_H

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "simkey/apdu.h"
#include "fingermatch/gray_image.h"
#include "simkey/faults.h"
#include "simkey/key_ownership.h"
#include "simkey/session.h"
#include "simkey/state_store.h"

namespace simkey {

// How a connection shares the key with other programs. A direct connection
// holds nothing and sends no commands: it drives the virtual sensor and the
// test controls, which stay usable while another program holds the key.
enum class ShareMode { exclusive, shared, direct };

// A command sent on a direct connection.
class CommandsNotAllowed : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The retry counters an issuer can restore.
enum class BlockableCounter { pin, finger };

class Connection {
public:
    // Throws AddressError or StateFileUnusable for a path no key can live at.
    Connection(const std::filesystem::path &statePath, bool t0);

    // Takes the key as `mode` says, waiting up to `wait` for other programs
    // to let go, creates the key when its file is missing and checks that
    // it is usable; throws KeyBusy, StateFileUnusable or StateFileNotWritten.
    void open(ShareMode mode, std::chrono::milliseconds wait);
    bool talksT0() const { return t0_; }
    const std::filesystem::path &statePath() const { return store_.path(); }

    // One command APDU in, one answer out. Throws StateFileUnusable when the
    // key file became unusable, StateFileNotWritten when a change could not
    // be stored (the key then still holds its previous state).
    Answer exchange(std::span<const uint8_t> apdu);

    void placeFinger(const std::string &label);
    // A real scan on the sensor instead of a label; the key keeps only what
    // its sensor makes of it.
    void placeImage(const fingermatch::GrayImage &image);
    void liftFinger();
    void injectFault(const Fault &fault);
    void clearFaults();
    void resetKey();
    // Restores a counter to its maximum and keeps the templates; restoring
    // the finger counter also clears the lock mark its blocking left.
    void unblock(BlockableCounter counter);
    std::string statusJson();
    ImageDownload lastImage();

private:
    Answer getResponse(const Command &command);
    Answer process(const Command &command);

    std::mutex mutex_;
    StateStore store_;
    bool t0_;
    ShareMode mode_ = ShareMode::direct;
    std::chrono::milliseconds wait_{0};
    std::optional<KeyClaim> claim_;
    Session session_;
    ImageDownload image_;
    std::vector<uint8_t> pendingResponse_;  // T=0: data waiting for GET RESPONSE
};

}  // namespace simkey

#endif
