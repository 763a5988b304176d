// One connection to a simulated key: the transport (T=1, or T=0 with GET
// RESPONSE), the session and the control operations of the simulator.
// Exchanges on one connection are serialised.
#ifndef SIMKEY_CONNECTION_H
#define SIMKEY_CONNECTION_H

#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "simkey/apdu.h"
#include "simkey/faults.h"
#include "simkey/session.h"
#include "simkey/state_store.h"

namespace simkey {

class Connection {
public:
    Connection(std::filesystem::path statePath, bool t0);

    // Creates the key when its file is missing and checks that it is usable;
    // throws StateFileUnusable or StateFileNotWritten.
    void open();
    bool talksT0() const { return t0_; }
    const std::filesystem::path &statePath() const { return store_.path(); }

    // One command APDU in, one answer out. Throws StateFileUnusable when the
    // key file became unusable, StateFileNotWritten when a change could not
    // be stored (the key then still holds its previous state).
    Answer exchange(std::span<const uint8_t> apdu);

    void placeFinger(const std::string &label);
    void liftFinger();
    void injectFault(const Fault &fault);
    void clearFaults();
    void resetKey();
    std::string statusJson();
    ImageDownload lastImage();

private:
    Answer getResponse(const Command &command);
    Answer process(const Command &command);

    std::mutex mutex_;
    StateStore store_;
    bool t0_;
    Session session_;
    ImageDownload image_;
    std::vector<uint8_t> pendingResponse_;  // T=0: data waiting for GET RESPONSE
};

}  // namespace simkey

#endif
