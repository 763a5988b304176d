// Debian's libpcsclite, reached through dlopen. Its functions are looked up
// in the library itself: libfpdevice.so, loaded in the same processes,
// exports an SCardTransmit of its own that a plain link would call instead.
#ifndef HXKMGR_PCSC_LIBRARY_H
#define HXKMGR_PCSC_LIBRARY_H

#include <winscard.h>

namespace hxkmgr {

struct PcscLibrary {
    decltype(&SCardEstablishContext) establishContext;
    decltype(&SCardReleaseContext) releaseContext;
    decltype(&SCardListReaders) listReaders;
    decltype(&SCardGetStatusChange) getStatusChange;
    decltype(&SCardConnect) connect;
    decltype(&SCardReconnect) reconnect;
    decltype(&SCardDisconnect) disconnect;
    decltype(&SCardTransmit) transmit;
    decltype(&pcsc_stringify_error) describe;
};

// Loaded on first use and kept; throws pcsc::Failure when the library or
// one of its functions is missing.
const PcscLibrary &pcscLibrary();

}  // namespace hxkmgr

#endif
