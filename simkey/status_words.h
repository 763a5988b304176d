// The key's answer to a wrong PIN or finger, which carries the attempts
// left. The status words themselves are named in fpdevice/status_words.h.
#ifndef SIMKEY_STATUS_WORDS_H
#define SIMKEY_STATUS_WORDS_H

#include <cstdint>

#include "fpdevice/status_words.h"

namespace simkey::sw {

constexpr uint32_t triesLeft(unsigned left) { return SW_VERIFY_FAILED_BASE | (left & 0x0Fu); }

}  // namespace simkey::sw

#endif
