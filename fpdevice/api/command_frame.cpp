#include "api/command_frame.h"

namespace fpdevice {

uint64_t StatusTable::Map(uint16_t statusWord) const {
    if (statusWord == SW_SUCCESS) return FP_OK;
    for (const StatusEntry &entry : entries) {
        if (entry.statusWord == statusWord) return entry.resultCode;
    }
    if (statusWord == SW_LOCK_NOT_OBTAINED) return FP_E_LOCK;
    return otherwise;
}

Apdu Apdu::Header(uint8_t cla, uint8_t ins, uint8_t p1, uint8_t p2, uint8_t p3) {
    Apdu apdu;
    apdu.command[0] = cla;
    apdu.command[1] = ins;
    apdu.command[2] = p1;
    apdu.command[3] = p2;
    apdu.command[4] = p3;
    apdu.commandLength = 5;
    return apdu;
}

Apdu Apdu::WithByte(uint8_t cla, uint8_t ins, uint8_t p1, uint8_t p2, uint8_t data) {
    Apdu apdu = Header(cla, ins, p1, p2, 1);
    apdu.command[5] = data;
    apdu.commandLength = 6;
    return apdu;
}

LockToken::LockToken(DeviceContext *hDev) : token_(MyLock(hDev)) {}

LockToken::~LockToken() { MyUnlock(token_); }

void TraceEnter(const char *function) { MYTRACE("Enter %s", function); }

uint16_t Transceive(DeviceContext *hDev, const char *function, Apdu &apdu) {
    apdu.responseLength = kResponseCapacity;
    const auto statusWord =
        static_cast<uint16_t>(SCardAPDU(hDev, apdu.command, apdu.commandLength, apdu.response, &apdu.responseLength));
    MYTRACE("%s SCardAPDU return retV=%04X, dwRespLen=%d", function, statusWord, static_cast<int>(apdu.responseLength));
    return statusWord;
}

uint16_t RunLocked(DeviceContext *hDev, const char *function, Apdu &apdu) {
    LockToken lock(hDev);
    if (!lock.Held()) return SW_LOCK_NOT_OBTAINED;
    return Transceive(hDev, function, apdu);
}

}  // namespace fpdevice
