/*
 * fpdevice token transport: the APDU exchange with the key through the key
 * manager, the key's file commands and the bridge to the PKCS library.
 *
 * Compiles as C99 and as C++.
 */
#ifndef FPDEVICE_TRANSPORT_H
#define FPDEVICE_TRANSPORT_H

#include <stddef.h>
#include <stdint.h>

#include "fpdevice/export.h"
#include "fpdevice/status_words.h"

#ifdef __cplusplus
extern "C" {
#endif


/*
 * The device context record. The host owns it and the key manager fills it
 * when it connects a key; fpdevice reads three fields and nothing else.
 * Offsets are part of the interface with the key manager: state at 0, the
 * key manager's own handle at 24, the active protocol at 32.
 */
typedef struct DeviceContext {
    uint8_t state;              /* 3 = connected and ready */
    uint8_t keyManagerPrivate0[23];
    uint64_t keyManagerHandle;  /* passed unchanged to Icc_tsi_apiHxDev */
    uint64_t activeProtocol;    /* 1 = T=0, anything else = T=1 */
    uint8_t keyManagerPrivate1[24];
} DeviceContext;

#define FP_DEVICE_STATE_READY 3u

/* Protocol control record: protocol number, then a length field of 8. */
typedef struct SCardIoRequest {
    uint64_t protocol;
    uint64_t pciLength;
} SCardIoRequest;

FPDEVICE_API extern const SCardIoRequest g_rgSCardT0Pci;
FPDEVICE_API extern const SCardIoRequest g_rgSCardT1Pci;

/* Transmit result on which SCardAPDU retries once (the I/O device error). */
#define SCARD_TRANSMIT_RETRY       1117u
/* Transmit result for an answer larger than a short response can carry. */
#define SCARD_TRANSMIT_OVERSIZE    0x80100008u
/* Transmit result for a key-manager result above 0xFFFF whose low 16 bits
 * read 0x9000 or 0x61xx: a failure that must not pass for success. */
#define SCARD_TRANSMIT_NOT_A_STATUS 0x80100013u

/* ---- APDU exchange ---- */
FPDEVICE_API uint64_t SCardTransmit(uint64_t keyManagerHandle, const SCardIoRequest *sendPci,
                                    const uint8_t *command, uint64_t commandLength,
                                    SCardIoRequest *recvPci, uint8_t *receive,
                                    uint64_t *receiveLength);
FPDEVICE_API uint32_t SCardAPDU(DeviceContext *hDev, uint8_t *command, uint64_t commandLength,
                                uint8_t *response, uint64_t *responseLength);

FPDEVICE_API void MYTRACE(const char *format, ...);
FPDEVICE_API void *MyLock(DeviceContext *hDev);
FPDEVICE_API void MyUnlock(void *token);
FPDEVICE_API int LittleEndian(void);
FPDEVICE_API uint16_t ToBigEndian(uint16_t value);
FPDEVICE_API uint16_t Exchange(uint16_t value);
/* Parenthesised so that a test framework's TEST macro cannot swallow it. */
FPDEVICE_API int(TEST)(void *unused);

/* ---- Token file commands: 1 on success, 0 on failure ---- */
#define TOKEN_FID_CURRENT      0xFFFFu /* no SELECT: work on the current file */
#define TOKEN_FID_NEXT_RECORD  0x0020u
#define TOKEN_ERR_NEXT_RECORD  0x80000107u

FPDEVICE_API int SCardReadBin(DeviceContext *hDev, uint16_t fileId, uint16_t offset,
                              uint8_t *destination, uint16_t length);
FPDEVICE_API int SCardUpdateBin(DeviceContext *hDev, uint64_t fileId, uint64_t offset,
                                const uint8_t *source, uint64_t length);
FPDEVICE_API int SCardCreateFile(DeviceContext *hDev, uint16_t fileId, const uint8_t *parameters,
                                 uint8_t parameterLength);
FPDEVICE_API int SCardEraseEF(DeviceContext *hDev, uint16_t fileId);
FPDEVICE_API uint64_t token_get_current_fid(DeviceContext *hDev, uint16_t *number);
FPDEVICE_API uint64_t token_set_next_fid(DeviceContext *hDev, uint16_t number);

/* ---- PKCS library bridge ---- */
#define HX_PKCS_AUTH_UNAVAILABLE 0x8000010Au
#define HX_PKCS_PIN_UNAVAILABLE  0x8000010Cu

FPDEVICE_API uint64_t HXSCardAuthBio(DeviceContext *hDev);
FPDEVICE_API uint64_t HXSCardVerifyUserPinBio(DeviceContext *hDev, const uint8_t *pin,
                                              uint8_t pinLength, uint16_t *statusWord);

#ifdef __cplusplus
}
#endif

#endif
