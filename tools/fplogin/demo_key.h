// Preparing the simulated key for the demo: the demo finger enrolled, and
// the verify mode the user asked for.
#ifndef FPLOGIN_DEMO_KEY_H
#define FPLOGIN_DEMO_KEY_H

#include <cstdint>
#include <string>

#include "host_libraries.h"

namespace fplogin {

// The template number of `finger` on the simulated key, enrolling it into
// the first free template when no template matches it. 0 with *error set
// when that fails.
uint8_t EnsureEnrolled(const DeviceFunctions &device, DeviceContext *key, const std::string &finger,
                       std::string *error);

}  // namespace fplogin

#endif
