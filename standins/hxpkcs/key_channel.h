// Exchanges with the key through the key manager, fetching the data of a
// T=0 answer (0x61xx) with GET RESPONSE.
#ifndef HXPKCS_KEY_CHANNEL_H
#define HXPKCS_KEY_CHANNEL_H

#include <cstdint>
#include <span>
#include <vector>

#include "fpdevice/transport.h"

namespace hxpkcs {

// What the transport answers for anything that is not a status word.
constexpr uint16_t kTransportFailure = SW_TRANSPORT_FAILURE;

struct Reply {
    uint16_t status = kTransportFailure;
    std::vector<uint8_t> data;  // only with 0x9000
};

// A context that is connected (state 3) and not an obviously bad pointer.
bool usableContext(const DeviceContext *context);
Reply transmit(const DeviceContext &context, std::span<const uint8_t> command);

}  // namespace hxpkcs

#endif
