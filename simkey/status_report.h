// The key's state as the simulator's status report shows it (JSON text).
#ifndef SIMKEY_STATUS_REPORT_H
#define SIMKEY_STATUS_REPORT_H

#include <cstdint>
#include <filesystem>
#include <string>

#include "simkey/key_state.h"
#include "simkey/session.h"

namespace simkey {

struct ConnectionFacts {
    std::filesystem::path statePath;
    bool t0 = false;
    uint64_t imageLines = 0;
    uint64_t imageLineBytes = 0;
};

std::string statusReport(const KeyState &key, const Session &session, const ConnectionFacts &connection);

}  // namespace simkey

#endif
