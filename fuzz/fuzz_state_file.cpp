// Arbitrary text as a stored key state. The reader either refuses it with a
// format error or accepts a state that survives being stored and read back
// unchanged; anything else (a crash, an accepted state that reads back
// differently) would lose a key the next time it is saved.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <nlohmann/json.hpp>

#include "simkey/state_json.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const nlohmann::json document = nlohmann::json::parse(data, data + size, nullptr, false);
    if (document.is_discarded()) return 0;
    simkey::KeyState state;
    try {
        state = simkey::stateFromJson(document);
    } catch (const simkey::StateFormatError &) {
        return 0;
    } catch (const nlohmann::json::exception &) {
        return 0;
    }
    const std::string stored = simkey::stateToJson(state).dump(1);
    const simkey::KeyState reread = simkey::stateFromJson(nlohmann::json::parse(stored));
    if (!(reread == state)) std::abort();
    return 0;
}
