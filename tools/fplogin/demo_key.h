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

// The key's verify mode as it was when the demo began, given back when the
// demo ends however it ends: --verify-mode applies to one run only.
class VerifyModeRestorer {
public:
    VerifyModeRestorer(const DeviceFunctions &device, DeviceContext *key, uint8_t original)
        : device_(device), key_(key), original_(original) {}
    ~VerifyModeRestorer();
    VerifyModeRestorer(const VerifyModeRestorer &) = delete;
    VerifyModeRestorer &operator=(const VerifyModeRestorer &) = delete;

private:
    const DeviceFunctions &device_;
    DeviceContext *key_;
    uint8_t original_;
};

}  // namespace fplogin

#endif
