#include "key_channel.h"

#include <array>

#include "hxkmgr.h"

namespace hxpkcs {
namespace {

constexpr size_t kResponseCapacity = 4096;

Reply exchangeOnce(uint64_t handle, std::span<const uint8_t> command) {
    std::vector<uint8_t> buffer(kResponseCapacity);
    uint64_t length = buffer.size();
    const int result = Icc_tsi_apiHxDev(handle, command.size(), command.data(), &length, buffer.data());
    const auto status = static_cast<uint32_t>(result);
    Reply reply;
    if (status > 0xFFFF) {
        return reply;  // a transport failure, not an answer of the key
    }
    reply.status = static_cast<uint16_t>(status);
    if (reply.status == SW_SUCCESS && length <= buffer.size()) {
        buffer.resize(length);
        reply.data = std::move(buffer);
    }
    return reply;
}

}  // namespace

bool usableContext(const DeviceContext *context) {
    return context && reinterpret_cast<uintptr_t>(context) != UINTPTR_MAX && context->state == FP_DEVICE_STATE_READY;
}

Reply transmit(const DeviceContext &context, std::span<const uint8_t> command) {
    Reply reply = exchangeOnce(context.keyManagerHandle, command);
    if ((reply.status & 0xFF00) == SW_MORE_DATA_BASE) {
        const std::array<uint8_t, 5> getResponse{0x00, 0xC0, 0x00, 0x00, static_cast<uint8_t>(reply.status & 0xFF)};
        reply = exchangeOnce(context.keyManagerHandle, getResponse);
    }
    return reply;
}

}  // namespace hxpkcs
