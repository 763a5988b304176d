// The key state as it is stored in its file: versioned JSON.
#ifndef SIMKEY_STATE_JSON_H
#define SIMKEY_STATE_JSON_H

#include <stdexcept>
#include <string>

#include <nlohmann/json.hpp>

#include "simkey/key_state.h"

namespace simkey {

constexpr int kStateFormatVersion = 1;
constexpr const char *kStateFormatName = "fpkey-simulated-key";

// The stored text does not describe a usable key; what() says what is wrong.
class StateFormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

nlohmann::json stateToJson(const KeyState &state);
// Checks every field and the consistency of the whole; throws StateFormatError.
KeyState stateFromJson(const nlohmann::json &json);

std::string toHex(std::span<const uint8_t> bytes);

}  // namespace simkey

#endif
