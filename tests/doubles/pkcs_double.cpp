// A PKCS library double: answers from the device context's key-manager
// handle, so a test can choose the result without any key.
#include "hxpkcs.h"

extern "C" {

#ifndef PKCS_DOUBLE_WITHOUT_AUTH
__attribute__((visibility("default"))) uint64_t HXSCardAuth(DeviceContext *hDev) {
    return hDev ? hDev->keyManagerHandle : 0xDEAD;
}
#endif

__attribute__((visibility("default"))) uint64_t HXSCardVerifyUserPin(DeviceContext *hDev, const uint8_t *pin,
                                                                     uint8_t pinLength, uint16_t *statusWord) {
    if (pinLength == 4 && pin[0] == '1' && pin[1] == '2' && pin[2] == '3' && pin[3] == '4') return 0;
    *statusWord = static_cast<uint16_t>(hDev->keyManagerHandle);
    return 0x80000000u + *statusWord;
}
}
