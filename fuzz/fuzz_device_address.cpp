// Arbitrary device addresses. Each is either refused with an address error
// or names an absolute key file; parsing creates nothing on disk.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "simkey/key_address.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string_view address(reinterpret_cast<const char *>(data), size);
    try {
        const simkey::KeyAddress key = simkey::parseKeyAddress(address);
        if (!key.statePath.is_absolute() || !key.statePath.has_filename()) std::abort();
    } catch (const simkey::AddressError &) {}
    return 0;
}
