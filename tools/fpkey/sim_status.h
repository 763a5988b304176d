// The simulated key's own report of its state.
#ifndef FPKEY_SIM_STATUS_H
#define FPKEY_SIM_STATUS_H

#include <nlohmann/json.hpp>

#include "fpdevice/transport.h"

namespace fpkey {

// The report as JSON (its members as the key names them); null when `key`
// is not an open simulated key.
nlohmann::json SimStatus(DeviceContext *key);

}  // namespace fpkey

#endif
