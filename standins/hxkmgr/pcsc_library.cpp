#include "pcsc_library.h"

#include <dlfcn.h>

#include <string>

#include "pcsc_backend.h"

namespace hxkmgr {
namespace {

constexpr const char *kLibraryName = "libpcsclite.so.1";

template <class Function>
void lookUp(void *library, const char *name, Function &function) {
    function = reinterpret_cast<Function>(::dlsym(library, name));
    if (!function) {
        throw pcsc::Failure(std::string(kLibraryName) + " lacks " + name + ": reinstall Debian's libpcsclite1");
    }
}

PcscLibrary load() {
    // Never closed: connections may outlive static destruction.
    void *library = ::dlopen(kLibraryName, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        throw pcsc::Failure(std::string("cannot load ") + kLibraryName +
                            " to reach keys behind PC/SC: install Debian's libpcsclite1 (and pcscd)");
    }
    PcscLibrary functions{};
    lookUp(library, "SCardEstablishContext", functions.establishContext);
    lookUp(library, "SCardReleaseContext", functions.releaseContext);
    lookUp(library, "SCardListReaders", functions.listReaders);
    lookUp(library, "SCardGetStatusChange", functions.getStatusChange);
    lookUp(library, "SCardConnect", functions.connect);
    lookUp(library, "SCardReconnect", functions.reconnect);
    lookUp(library, "SCardDisconnect", functions.disconnect);
    lookUp(library, "SCardTransmit", functions.transmit);
    lookUp(library, "pcsc_stringify_error", functions.describe);
    return functions;
}

}  // namespace

const PcscLibrary &pcscLibrary() {
    // A failed load throws out of the initialisation, which runs again on the next call.
    static const PcscLibrary functions = load();
    return functions;
}

}  // namespace hxkmgr
