#include "card_reset.h"

#include <winscard.h>

namespace pcsc_test {

std::string ResetCardAsAnotherProgram(const std::string &reader) {
    SCARDCONTEXT context = 0;
    LONG result = SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &context);
    if (result != SCARD_S_SUCCESS) {
        return std::string("SCardEstablishContext: ") + pcsc_stringify_error(result);
    }
    SCARDHANDLE card = 0;
    DWORD protocol = 0;
    result = SCardConnect(context, reader.c_str(), SCARD_SHARE_SHARED, SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &card,
                          &protocol);
    std::string problem;
    if (result != SCARD_S_SUCCESS) {
        problem = std::string("SCardConnect: ") + pcsc_stringify_error(result);
    } else if ((result = SCardDisconnect(card, SCARD_RESET_CARD)) != SCARD_S_SUCCESS) {
        problem = std::string("SCardDisconnect: ") + pcsc_stringify_error(result);
    }
    SCardReleaseContext(context);
    return problem;
}

}  // namespace pcsc_test
