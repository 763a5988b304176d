// The image finger's part of the stored key state, one optional member
// "imageFinger": files written before image fingers existed have none and
// load as a key without one.
#ifndef SIMKEY_IMAGE_FINGER_JSON_H
#define SIMKEY_IMAGE_FINGER_JSON_H

#include <nlohmann/json.hpp>

#include "simkey/key_state.h"

namespace simkey {

// Null when the key holds no image finger anywhere.
nlohmann::json imageFingerToJson(const KeyState &state);
// Throws StateFormatError for a member that is there but not usable.
void imageFingerFromJson(const nlohmann::json &document, KeyState *state);

}  // namespace simkey

#endif
