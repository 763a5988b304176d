// The live connections of this key manager by handle. Handles are never
// reused, so a stale handle finds nothing instead of someone else's key.
#ifndef HXKMGR_CONNECTION_REGISTRY_H
#define HXKMGR_CONNECTION_REGISTRY_H

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "simkey/connection.h"

namespace hxkmgr {

class ConnectionRegistry {
public:
    uint64_t add(std::shared_ptr<simkey::Connection> connection);
    // Null for a handle that is not a live connection.
    std::shared_ptr<simkey::Connection> find(uint64_t handle) const;
    void remove(uint64_t handle);

private:
    mutable std::mutex mutex_;
    uint64_t lastSerial_ = 0;
    std::map<uint64_t, std::shared_ptr<simkey::Connection>> connections_;
};

ConnectionRegistry &registry();

}  // namespace hxkmgr

#endif
