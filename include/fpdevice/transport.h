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
    uint8_t state; /* 3 = connected and ready */
    uint8_t keyManagerPrivate0[23];
    uint64_t keyManagerHandle; /* passed unchanged to Icc_tsi_apiHxDev */
    uint64_t activeProtocol;   /* 1 = T=0, anything else = T=1 */
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
#define SCARD_TRANSMIT_RETRY 1117u
/* Transmit result for an answer larger than a short response can carry. */
#define SCARD_TRANSMIT_OVERSIZE 0x80100008u
/* Transmit result for a key-manager result above 0xFFFF whose low 16 bits
 * read 0x9000 or 0x61xx: a failure that must not pass for success. */
#define SCARD_TRANSMIT_NOT_A_STATUS 0x80100013u

/* ---- APDU exchange ---- */

/*
 * One command through the key manager (Icc_tsi_apiHxDev), with no retry.
 * Writes the answer to `receive`, data first and SW1 SW2 last, and its
 * length to *receiveLength: `receive` must hold 258 bytes. On a status other
 * than 0x9000 only the two status bytes are written. The records sendPci and
 * recvPci are neither read nor written. Returns 0, or SCARD_TRANSMIT_OVERSIZE
 * or SCARD_TRANSMIT_NOT_A_STATUS with *receiveLength 0.
 */
FPDEVICE_API uint64_t SCardTransmit(uint64_t keyManagerHandle, const SCardIoRequest *sendPci, const uint8_t *command,
                                    uint64_t commandLength, SCardIoRequest *recvPci, uint8_t *receive,
                                    uint64_t *receiveLength);
/*
 * One command to the key in hDev, in the protocol hDev names. Returns the
 * key's status word, or SW_TRANSPORT_FAILURE for a null argument, a device
 * that is not ready or a failed transmit. *responseLength is set to 0 first,
 * then to the length of the data written to `response` (at most 256 bytes,
 * without the status bytes).
 *
 * **It may write to the caller's command buffer.** On 0x61xx it sends GET
 * RESPONSE, built in place over the first five bytes of `command`
 * (00 C0 00 00 xx): the buffer must hold at least five writable bytes, and
 * after such an answer it no longer holds the caller's command. A caller
 * that sends the same command again writes it again.
 *
 * At most two transmits per call: one retry after SCARD_TRANSMIT_RETRY, or
 * one GET RESPONSE.
 */
FPDEVICE_API uint32_t SCardAPDU(DeviceContext *hDev, uint8_t *command, uint64_t commandLength, uint8_t *response,
                                uint64_t *responseLength);

/* The trace hook: takes a printf format and writes nothing. */
FPDEVICE_API void MYTRACE(const char *format, ...);
/* The lock hook: takes nothing and returns hDev as the token (null for a
 * null device, which the device calls report as the lock failure). */
FPDEVICE_API void *MyLock(DeviceContext *hDev);
/* Releases nothing. */
FPDEVICE_API void MyUnlock(void *token);
/* Byte order helpers; none has a side effect. 1 on a little-endian host. */
FPDEVICE_API int LittleEndian(void);
FPDEVICE_API uint16_t ToBigEndian(uint16_t value);
/* Swaps the two bytes on every host. */
FPDEVICE_API uint16_t Exchange(uint16_t value);
/* Answers 0 and does nothing. Parenthesised so that a test framework's TEST
 * macro cannot swallow it. */
FPDEVICE_API int(TEST)(void *unused);

/*
 * ---- Token file commands: 1 on success, 0 on failure ----
 * They take no lock and trace nothing: a caller that shares the key holds
 * the lock around them. A file id other than TOKEN_FID_CURRENT is selected
 * first, which makes it the key's current file for the commands that follow.
 */
#define TOKEN_FID_CURRENT     0xFFFFu /* no SELECT: work on the current file */
#define TOKEN_FID_NEXT_RECORD 0x0020u
#define TOKEN_ERR_NEXT_RECORD 0x80000107u

/* Reads in chunks of 176 bytes; `destination` is written only when every
 * chunk arrived whole, so a failed read leaves it as it was. A null
 * destination or a length of 0 fails with nothing sent. */
FPDEVICE_API int SCardReadBin(DeviceContext *hDev, uint16_t fileId, uint16_t offset, uint8_t *destination,
                              uint16_t length);
/* Writes in chunks of 176 bytes (file id and offset taken modulo 65536). The
 * key has no transaction: after a failed chunk the chunks before it stay
 * written. A null source or a length of 0 fails with nothing sent. */
FPDEVICE_API int SCardUpdateBin(DeviceContext *hDev, uint64_t fileId, uint64_t offset, const uint8_t *source,
                                uint64_t length);
/* Creates a file on the key; more than 107 parameter bytes, or null
 * parameters with a nonzero length, fail with nothing sent. */
FPDEVICE_API int SCardCreateFile(DeviceContext *hDev, uint16_t fileId, const uint8_t *parameters,
                                 uint8_t parameterLength);
/* Deletes a file from the key. */
FPDEVICE_API int SCardEraseEF(DeviceContext *hDev, uint16_t fileId);
/* The next template file number from the next-file record (selected, so it
 * becomes the current file). Number 504, whose file id would be the master
 * file's, reads as 505; the record itself is not changed. 0, or
 * TOKEN_ERR_NEXT_RECORD with *number untouched. */
FPDEVICE_API uint64_t token_get_current_fid(DeviceContext *hDev, uint16_t *number);
/* Writes the next template file number to the record. 0 or TOKEN_ERR_NEXT_RECORD. */
FPDEVICE_API uint64_t token_set_next_fid(DeviceContext *hDev, uint16_t number);

/*
 * ---- PKCS library bridge ----
 * Each call loads libhxpkcs.so (by the loader's search, then from this
 * library's folder), calls its entry and unloads it again; a library the
 * host loaded itself stays loaded. When the library or its entry cannot be
 * found, "Failed load library libhxpkcs.so" goes to standard output, the
 * loader's reason to standard error, and the call returns its
 * HX_PKCS_..._UNAVAILABLE code without touching the key.
 */
#define HX_PKCS_AUTH_UNAVAILABLE 0x8000010Au
#define HX_PKCS_PIN_UNAVAILABLE  0x8000010Cu

/* External authentication of the key (HXSCardAuth): on success (0) the key
 * counts this connection as authenticated, which the calls that change the
 * key need. Otherwise the PKCS library's result, or
 * HX_PKCS_AUTH_UNAVAILABLE. */
FPDEVICE_API uint64_t HXSCardAuthBio(DeviceContext *hDev);
/* PIN verification (HXSCardVerifyUserPin): 0 when the key accepts the PIN
 * (pinLength bytes, in the key's encoding). A rejected PIN uses up one of
 * the key's attempts, and *statusWord gets the key's answer: 0x63Cx with x
 * attempts left, 0x6983 when the PIN is blocked. Otherwise the PKCS
 * library's result, or HX_PKCS_PIN_UNAVAILABLE. The PIN stays the caller's,
 * passed on as it is; wiping it after the call is the caller's part. */
FPDEVICE_API uint64_t HXSCardVerifyUserPinBio(DeviceContext *hDev, const uint8_t *pin, uint8_t pinLength,
                                              uint16_t *statusWord);

#ifdef __cplusplus
}
#endif

#endif
