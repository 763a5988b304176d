// Live connections by handle. Handles are never reused, so a stale handle
// finds nothing instead of someone else's key. Each kind of connection has
// a registry of its own, told apart by a tag in the high bits of its handles.
#ifndef HXKMGR_HANDLE_REGISTRY_H
#define HXKMGR_HANDLE_REGISTRY_H

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

namespace hxkmgr {

template <class Connection>
class HandleRegistry {
public:
    // A tag in the high bits keeps small integers (0, 1, ...) from ever being handles.
    explicit HandleRegistry(uint64_t tag) : tag_(tag) {}

    uint64_t add(std::shared_ptr<Connection> connection) {
        std::lock_guard guard(mutex_);
        const uint64_t handle = tag_ | ++lastSerial_;
        connections_.emplace(handle, std::move(connection));
        return handle;
    }
    // Null for a handle that is not a live connection.
    std::shared_ptr<Connection> find(uint64_t handle) const {
        std::lock_guard guard(mutex_);
        const auto found = connections_.find(handle);
        return found == connections_.end() ? nullptr : found->second;
    }
    void remove(uint64_t handle) {
        // Outlives the guard: a connection may take a while to end (a card
        // reset), and must not hold up the other handles meanwhile.
        std::shared_ptr<Connection> removed;
        std::lock_guard guard(mutex_);
        const auto found = connections_.find(handle);
        if (found != connections_.end()) {
            removed = std::move(found->second);
            connections_.erase(found);
        }
    }
    // Whether the handle carries this registry's tag, live or not.
    bool tags(uint64_t handle) const { return (handle & kTagMask) == tag_; }

private:
    static constexpr uint64_t kTagMask = 0xFFFF'0000'0000'0000;

    const uint64_t tag_;
    mutable std::mutex mutex_;
    uint64_t lastSerial_ = 0;
    std::map<uint64_t, std::shared_ptr<Connection>> connections_;
};

}  // namespace hxkmgr

#endif
