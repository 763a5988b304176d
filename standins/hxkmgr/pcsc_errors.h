// What a PC/SC result means for the key, in words that say what to do.
#ifndef HXKMGR_PCSC_ERRORS_H
#define HXKMGR_PCSC_ERRORS_H

#include <string>

#include <winscard.h>

namespace hxkmgr {

// The problem behind a PC/SC result, for the key in `reader` (may be empty).
std::string pcscProblem(LONG result, const std::string &reader);

}  // namespace hxkmgr

#endif
