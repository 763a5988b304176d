// The key's answer to a wrong PIN or finger, which carries the attempts
// left. The status words themselves are named in fpdevice/status_words.h.
#ifndef SIMKEY_STATUS_WORDS_H
#define SIMKEY_STATUS_WORDS_H

#include <cstdint>

#include "fpdevice/status_words.h"

namespace simkey::sw {

constexpr uint32_t triesLeft(unsigned left) { return SW_VERIFY_FAILED_BASE | (left & 0x0Fu); }

// Earlier names, still used by the stand-in key manager.
constexpr uint32_t kSuccess = SW_SUCCESS;
constexpr uint32_t kMemoryFailure = SW_MEMORY_FAILURE;
constexpr uint32_t kWrongLength = SW_WRONG_LENGTH;
constexpr uint32_t kConditionsNotSatisfied = SW_CONDITIONS_NOT_SATISFIED;
constexpr uint32_t kNoDiagnosis = SW_NO_DIAGNOSIS;

}  // namespace simkey::sw

#endif
