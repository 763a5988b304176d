#include "connection_registry.h"

namespace hxkmgr {
namespace {

// A tag in the high bits keeps small integers (0, 1, ...) from ever being handles.
constexpr uint64_t kHandleTag = 0x5EC0'0000'0000'0000;

}  // namespace

uint64_t ConnectionRegistry::add(std::shared_ptr<simkey::Connection> connection) {
    std::lock_guard guard(mutex_);
    const uint64_t handle = kHandleTag | ++lastSerial_;
    connections_.emplace(handle, std::move(connection));
    return handle;
}

std::shared_ptr<simkey::Connection> ConnectionRegistry::find(uint64_t handle) const {
    std::lock_guard guard(mutex_);
    const auto found = connections_.find(handle);
    return found == connections_.end() ? nullptr : found->second;
}

void ConnectionRegistry::remove(uint64_t handle) {
    std::lock_guard guard(mutex_);
    connections_.erase(handle);
}

ConnectionRegistry &registry() {
    // Never destroyed: hosts may still call in from their own static destructors.
    static auto *instance = new ConnectionRegistry;
    return *instance;
}

}  // namespace hxkmgr
