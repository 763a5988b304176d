// The card operating system of the simulated key: answers one command APDU
// from the key's state and the connection's session.
#ifndef SIMKEY_CARD_H
#define SIMKEY_CARD_H

#include "simkey/apdu.h"
#include "simkey/key_state.h"
#include "simkey/session.h"

namespace simkey {

struct CardContext {
    KeyState &key;
    Session &session;
    ImageDownload &image;
};

Answer processCommand(CardContext &card, const Command &command);

}  // namespace simkey

#endif
