#include "connection_registry.h"

namespace hxkmgr {

ConnectionRegistry &registry() {
    // Never destroyed: hosts may still call in from their own static destructors.
    static auto *instance = new ConnectionRegistry(0x5EC0'0000'0000'0000);
    return *instance;
}

}  // namespace hxkmgr
