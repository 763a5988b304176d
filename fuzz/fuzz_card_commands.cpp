// Arbitrary command APDUs into the simulated key's card operating system,
// on an authenticated connection. Input: length byte, then that many
// command bytes, repeated.
#include <cstddef>
#include <cstdint>

#include "simkey/card.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    simkey::KeyState key = simkey::factoryState("FUZZ000000000000");
    simkey::Session session;
    session.authenticated = true;
    simkey::ImageDownload image;
    simkey::CardContext card{key, session, image};
    while (size > 0) {
        const size_t length = data[0] < size - 1 ? data[0] : size - 1;
        if (auto command = simkey::parseCommand({data + 1, length})) simkey::processCommand(card, *command);
        data += 1 + length;
        size -= 1 + length;
    }
    return 0;
}
