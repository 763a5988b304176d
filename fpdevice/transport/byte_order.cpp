#include "fpdevice/transport.h"

extern "C" {

int LittleEndian(void) {
    const uint16_t probe = 1;
    return *reinterpret_cast<const uint8_t *>(&probe) == 1 ? 1 : 0;
}

uint16_t ToBigEndian(uint16_t value) { return LittleEndian() ? Exchange(value) : value; }

// Swaps on every host, whatever its byte order.
uint16_t Exchange(uint16_t value) { return static_cast<uint16_t>(((value & 0xFFu) << 8) + (value >> 8)); }
}
