// The command handlers of the card, one family per source file. Each checks
// the command's shape itself: lengths (0x6700), P1-P2 (0x6B00), then the
// security state it needs (0x6982).
#ifndef SIMKEY_COMMANDS_H
#define SIMKEY_COMMANDS_H

#include "simkey/card.h"
#include "simkey/status_words.h"

namespace simkey {

// File system (CLA 00, and CREATE FILE with CLA 80).
Answer selectFile(CardContext &card, const Command &command);
Answer readBinary(CardContext &card, const Command &command);
Answer writeBinary(CardContext &card, const Command &command);
Answer createFile(CardContext &card, const Command &command);
Answer deleteFile(CardContext &card, const Command &command);

// Security.
Answer getChallenge(CardContext &card, const Command &command);
Answer externalAuthenticate(CardContext &card, const Command &command);
Answer verifyUserPin(CardContext &card, const Command &command);

// Device queries and settings (80 FA 01/02, 80 FE, 80 F9).
Answer deviceQuery(CardContext &card, const Command &command);
Answer verifyMode(CardContext &card, const Command &command);
Answer options(CardContext &card, const Command &command);

// The finger: capture, extraction, enrolment, matching, the cache.
Answer capture(CardContext &card, const Command &command);
Answer extract(CardContext &card, const Command &command);
Answer enroll(CardContext &card, const Command &command);
Answer match(CardContext &card, const Command &command);
Answer fingerCache(CardContext &card, const Command &command);

// Image download (80 F7).
Answer imageBlock(CardContext &card, const Command &command);

inline bool authenticated(const CardContext &card) { return card.session.authenticated; }

}  // namespace simkey

#endif
