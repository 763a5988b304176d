/*
 * The PKCS library interface (libhxpkcs.so) that fpdevice and the login
 * library rely on. fpdevice loads it per call (HXSCardAuthBio,
 * HXSCardVerifyUserPinBio); hosts may load it themselves.
 *
 * Compiles as C99 and as C++.
 */
#ifndef HXPKCS_H
#define HXPKCS_H

#include <stdint.h>

#include "fpdevice/transport.h"

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define HXPKCS_API __attribute__((visibility("default")))
#else
#define HXPKCS_API
#endif

/* External authentication of the key (GET CHALLENGE, then EXTERNAL
 * AUTHENTICATE): 0 on success, after which the key counts this connection
 * as authenticated. */
HXPKCS_API uint64_t HXSCardAuth(DeviceContext *hDev);
/*
 * What our stand-in adds: external authentication with the 16-byte AES key
 * the caller gives (null: the factory key 00 01 ... 0F) instead of the one
 * configured for the process, for hosts such as the login module that take
 * nothing from their environment. A maker's library may lack it.
 */
HXPKCS_API uint64_t HXSCardAuthWithKey(DeviceContext *hDev, const uint8_t *key);
/*
 * User PIN verification: 0 when accepted; otherwise *statusWord holds the
 * key's status word (0x63Cx: x attempts left, 0x6983: blocked). A rejected
 * PIN uses up one of the key's attempts. An empty PIN is refused with
 * nothing sent, since the key would take it for a query of the count.
 */
HXPKCS_API uint64_t HXSCardVerifyUserPin(DeviceContext *hDev, const uint8_t *pin, uint8_t pinLength,
                                         uint16_t *statusWord);

#ifdef __cplusplus
}
#endif

#endif
