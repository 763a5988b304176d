#include "sim_status.h"

#include <vector>

#include "hxkmgr.h"

namespace fpkey {

nlohmann::json SimStatus(DeviceContext *key) {
    const size_t size = HXSimStatusJson(key, nullptr, 0);
    if (size == 0) return nullptr;
    std::vector<char> text(size + 1);
    HXSimStatusJson(key, text.data(), text.size());
    return nlohmann::json::parse(text.data(), nullptr, false);
}

}  // namespace fpkey
