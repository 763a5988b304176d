// The live connections to simulated keys by handle.
#ifndef HXKMGR_CONNECTION_REGISTRY_H
#define HXKMGR_CONNECTION_REGISTRY_H

#include "handle_registry.h"
#include "simkey/connection.h"

namespace hxkmgr {

using ConnectionRegistry = HandleRegistry<simkey::Connection>;

ConnectionRegistry &registry();

}  // namespace hxkmgr

#endif
