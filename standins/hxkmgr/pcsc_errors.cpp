#include "pcsc_errors.h"

#include <cstdio>

#include "pcsc_library.h"

namespace hxkmgr {
namespace {

std::string inReader(const std::string &reader) { return reader.empty() ? "" : " in reader \"" + reader + "\""; }

std::string code(LONG result) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(result));
    return text;
}

}  // namespace

std::string pcscProblem(LONG result, const std::string &reader) {
    switch (result) {
        case SCARD_E_NO_SERVICE:
        case SCARD_E_SERVICE_STOPPED: return "the PC/SC service is not running: start pcscd";
        case SCARD_E_NO_READERS_AVAILABLE:
            return "no smart-card reader is connected: plug in the key (a USB key needs pcscd's CCID driver, "
                   "Debian package libccid)";
        case SCARD_E_NO_SMARTCARD: return "no card" + inReader(reader) + ": insert the key";
        case SCARD_W_REMOVED_CARD: return "the key was taken out" + inReader(reader) + ": insert it again and repeat";
        case SCARD_E_UNKNOWN_READER:
        case SCARD_E_READER_UNAVAILABLE:
            return "the reader" + (reader.empty() ? std::string() : " \"" + reader + "\"") +
                   " is gone: plug the key in again and repeat";
        case SCARD_W_UNRESPONSIVE_CARD:
        case SCARD_W_UNPOWERED_CARD:
        case SCARD_E_CARD_UNSUPPORTED:
            return "the card" + inReader(reader) + " does not answer: take it out and insert it again";
        case SCARD_E_PROTO_MISMATCH:
            return "the card" + inReader(reader) + " talks neither T=0 nor T=1, as a fingerprint key does";
        case SCARD_W_RESET_CARD:
            return "the key" + inReader(reader) +
                   " was reset by another program, which ends its authentication: repeat the operation";
        case SCARD_E_SHARING_VIOLATION: return "key busy: another program has the key" + inReader(reader) + " open";
        case SCARD_E_NO_MEMORY: return "out of memory";
        default:
            return std::string("PC/SC error ") + code(result) + " (" + pcscLibrary().describe(result) + ")" +
                   inReader(reader);
    }
}

}  // namespace hxkmgr
