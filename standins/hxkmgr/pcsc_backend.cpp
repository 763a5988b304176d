#include "pcsc_backend.h"

#include "handle_registry.h"
#include "pcsc_connection.h"
#include "pcsc_readers.h"

namespace hxkmgr::pcsc {
namespace {

constexpr std::string_view kPrefix = "pcsc";

using Registry = HandleRegistry<PcscConnection>;

Registry &registry() {
    // Never destroyed: hosts may still call in from their own static destructors.
    static auto *instance = new Registry(0x5EC1'0000'0000'0000);
    return *instance;
}

// The reader part of the address: empty for the first reader holding a card.
std::string readerOf(std::string_view address) {
    const std::string_view rest = address.substr(kPrefix.size());
    if (rest.empty()) {
        return {};
    }
    if (rest.front() != ':' || rest.size() == 1) {
        throw Failure("malformed device address \"" + std::string(address) +
                      "\": expected pcsc (the first reader holding a card) or pcsc:READER");
    }
    return std::string(rest.substr(1));
}

}  // namespace

bool isAddress(std::string_view address) { return address.starts_with(kPrefix); }

Connected connect(std::string_view address, Share share, std::chrono::milliseconds wait) {
    auto connection = std::make_shared<PcscConnection>(readerOf(address), share, wait);
    const uint64_t protocol = connection->protocol();
    return {registry().add(std::move(connection)), protocol};
}

bool owns(uint64_t handle) { return registry().tags(handle); }

Exchange transmit(uint64_t handle, std::span<const uint8_t> command, uint8_t *response, uint64_t capacity,
                  uint64_t *responseLength) {
    *responseLength = 0;
    const auto connection = registry().find(handle);
    if (!connection) {
        return {Exchange::Outcome::transportFailure, 0, "the key's connection was closed"};
    }
    return connection->exchange(command, response, capacity, responseLength);
}

void close(uint64_t handle) { registry().remove(handle); }

std::vector<Reader> readers() { return readerStatuses(PcscContext()); }

}  // namespace hxkmgr::pcsc
