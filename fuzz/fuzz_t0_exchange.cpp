// Arbitrary command APDUs through the host's exchange into a simulated key
// that talks T=0, so every answer with data comes back through GET RESPONSE.
// Input: length byte, then that many command bytes, repeated. The answer
// never exceeds what the exchange announced, and the key stays usable: a
// plain SELECT of the template index still works after any sequence.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fpdevice.h"
#include "hxkmgr.h"
#include "key_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const fuzzkey::ScratchKey scratch;
    static const std::string address = "sim-t0:" + scratch.file();
    if (HXSimResetKey(address.c_str()) != 0) std::abort();
    DeviceContext key{};
    if (HXKeyOpen(address.c_str(), &key) != 0) std::abort();
    while (size > 0) {
        uint8_t command[4096] = {};
        const size_t length = data[0] < size - 1 ? data[0] : size - 1;
        std::memcpy(command, data + 1, length);
        uint8_t response[4096];
        uint64_t responseLength = sizeof response;
        SCardAPDU(&key, command, length, response, &responseLength);
        if (responseLength > 256) std::abort();
        data += 1 + length;
        size -= 1 + length;
    }
    uint8_t select[] = {0x00, 0xA4, 0x00, 0x00, 0x02, FP_INDEX_FILE_ID >> 8, FP_INDEX_FILE_ID & 0xFF};
    uint8_t response[4096];
    uint64_t responseLength = sizeof response;
    if (SCardAPDU(&key, select, sizeof select, response, &responseLength) != 0x9000) std::abort();
    HXKeyClose(&key);
    return 0;
}
