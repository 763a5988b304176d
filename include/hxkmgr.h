/*
 * The key manager interface (libhxkmgr.so).
 *
 * Icc_tsi_apiHxDev is the one entry fpdevice relies on: it exchanges one APDU
 * with a connected key. The rest of this header is what our stand-in key
 * manager adds so that tools and tests can open a simulated key and drive its
 * virtual sensor; a real key manager has its own way of connecting keys.
 *
 * Compiles as C99 and as C++.
 */
#ifndef HXKMGR_H
#define HXKMGR_H

#include <stddef.h>
#include <stdint.h>

#include "fpdevice/transport.h"

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define HXKMGR_API __attribute__((visibility("default")))
#else
#define HXKMGR_API
#endif

/*
 * Sends the command APDU and places the response data (status bytes not
 * included) into response, at most *responseLength bytes (the capacity on
 * entry); *responseLength becomes the number of data bytes. Returns 0x9000
 * on success, otherwise the key's status word, or another code whose low
 * 16 bits are taken as SW1 SW2.
 */
HXKMGR_API int Icc_tsi_apiHxDev(uint64_t keyManagerHandle, uint64_t commandLength, const uint8_t *command,
                                uint64_t *responseLength, uint8_t *response);

/* ---- Connecting a key ---- */

/*
 * Opens the key at a device address and fills the host-owned context
 * (state 3, handle, protocol). Addresses: "sim" (the default simulated key),
 * "sim:PATH" (a simulated key stored in PATH); "sim-t0" and "sim-t0:PATH"
 * talk T=0, so answers with data arrive through GET RESPONSE.
 * Keys behind PC/SC (pcscd): "pcsc" (the first reader holding a card) and
 * "pcsc:NAME" (the reader named NAME, or the only one whose name starts
 * with NAME); the protocol is the one the card offers, 1 for T=0 and 2 for
 * T=1. On such a key, a card or reader that went away makes an exchange a
 * transport failure (0xFFFF), and so does a reset by another program (the
 * key's authentication went with it; the connection is reconnected).
 * The key is taken exclusively, as HXKeyConnect with HXKEY_SHARE_EXCLUSIVE
 * and HXKEY_DEFAULT_WAIT_MS does.
 * Returns 0 on success; on failure the context is cleared and HXKeyLastError
 * tells why.
 */
HXKMGR_API int HXKeyOpen(const char *address, DeviceContext *context);

/*
 * How a connection shares the key with other programs, as the share modes
 * of PC/SC do for cards. An operation of several commands (an enrolment:
 * three captures and extractions, then the file writes) needs the sensor
 * and the feature slots to itself, so it runs on an exclusive connection.
 *  EXCLUSIVE  no other program has the key open until the connection closes.
 *  SHARED     other shared connections may be open at the same time, no
 *             exclusive one: for tools that only read.
 *  DIRECT     holds nothing and sends no commands (Icc_tsi_apiHxDev answers
 *             0x6985): drives the virtual sensor and the test controls
 *             (HXSim...), which keep working while another program holds
 *             the key and waits for a finger.
 * The key belongs to a program: connections of one process share its hold,
 * and the process serialises them itself. A hold ends when the connection
 * closes or the process ends, however it ends.
 * Keys behind PC/SC follow the same rule through PC/SC's share modes, with
 * one difference: pcscd counts connections, not programs, so a second
 * exclusive connection of one process waits like any other. Closing an
 * exclusive connection resets the card, so that no program inherits
 * another's authentication; a shared one leaves the card as it is.
 */
#define HXKEY_SHARE_EXCLUSIVE 1
#define HXKEY_SHARE_SHARED    2
#define HXKEY_SHARE_DIRECT    3
#define HXKEY_DEFAULT_WAIT_MS 30000u

/*
 * HXKeyOpen with a share mode. While another program holds the key in a
 * way that excludes this one, waits up to waitMilliseconds for it; then
 * fails with -2 and an HXKeyLastError that starts with "key busy". Other
 * failures (bad address or share mode, unusable state file) return -1.
 */
HXKMGR_API int HXKeyConnect(const char *address, int shareMode, uint32_t waitMilliseconds, DeviceContext *context);
HXKMGR_API void HXKeyClose(DeviceContext *context);
/*
 * The readers PC/SC knows and the cards in them: up to `capacity` readers
 * into `readers` and their number into *count (more than capacity when they
 * did not all fit; a null `readers` asks for the count). Returns 0, or -1
 * with HXKeyLastError set (for example "the PC/SC service is not running:
 * start pcscd"). No readers is not a failure.
 */
#define HXKEY_READER_NAME_MAX 128
#define HXKEY_ATR_MAX         33
typedef struct HXKeyReader {
    char name[HXKEY_READER_NAME_MAX]; /* NUL-terminated; "pcsc:" + name opens it */
    uint8_t cardPresent;              /* 1: a card is in the reader */
    uint8_t heldExclusively;          /* 1: some program has the card exclusively */
    uint8_t atrLength;                /* 0 without a card */
    uint8_t atr[HXKEY_ATR_MAX];       /* the card's answer to reset */
} HXKeyReader;
HXKMGR_API int HXKeyListReaders(HXKeyReader *readers, size_t capacity, size_t *count);

/* The reason for the last failed call on this thread (never null). */
HXKMGR_API const char *HXKeyLastError(void);
/* The address used when none is given: $FPKEY_DEVICE, else "sim". A
 * set-user-ID or set-group-ID program ignores the variable. */
HXKMGR_API const char *HXKeyDefaultAddress(void);

/*
 * Gives the simulated key at a device address its factory state without
 * opening it (the serial number stays when the old state was readable). It
 * also replaces a state file that HXKeyOpen refuses as unusable, so it is the
 * way back from that error. Like an exclusive open, it waits up to
 * HXKEY_DEFAULT_WAIT_MS while another program holds the key.
 * Returns 0, or -1 with HXKeyLastError set.
 */
HXKMGR_API int HXSimResetKey(const char *address);

/*
 * ---- Driving the simulated key ----
 * These answer 0 on success, -1 for a context that is not an open simulated
 * key, -2 for a bad argument and -3 when the key's state file could not be
 * read or written; HXKeyLastError tells why.
 */

/* Places a virtual finger on the sensor; its features derive from the label. */
HXKMGR_API int HXSimPlaceFinger(DeviceContext *context, const char *label);
/*
 * Places a real scan on the sensor instead: height x width 8-bit gray pixels,
 * row after row, dark ridges on light ground, at dpi dots per inch (250 to
 * 2000; 0 means 500). The key keeps the features it extracts, not the pixels.
 */
HXKMGR_API int HXSimPlaceImage(DeviceContext *context, uint32_t height, uint32_t width, uint32_t dpi,
                               const uint8_t *pixels);
HXKMGR_API int HXSimLiftFinger(DeviceContext *context);
/*
 * Makes the next `count` commands of one kind answer statusWord.
 * command: "capture", "extract", "identify", "verify", "enroll", "pin",
 * "any", or null for the kind the status word belongs to (poor image, too few
 * features, small area and image not available hit extraction, a dirty
 * sensor hits capture, everything else any command).
 * A statusWord above 0xFFFF is returned by the key manager itself, so
 * 1117 (0x45D) with command "any" exercises the host's transmit retry.
 */
HXKMGR_API int HXSimInjectFault(DeviceContext *context, uint32_t statusWord, const char *command, unsigned count);
HXKMGR_API int HXSimClearFaults(DeviceContext *context);
/*
 * Back to the factory state (templates, settings, PIN and counters). On a
 * connection that does not hold the key exclusively, waits for the key as
 * the connection's open did.
 */
HXKMGR_API int HXSimReset(DeviceContext *context);
/*
 * What a key's issuer does for a blocked user: counter "pin" or "finger"
 * back to its maximum (the finger counter's lock mark cleared too), the
 * templates, settings and PIN kept. -2 for another counter name.
 */
HXKMGR_API int HXSimUnblock(DeviceContext *context, const char *counter);
/*
 * The key's state as JSON text, NUL-terminated. Returns the buffer size
 * needed including the NUL (0 on failure); the text is written only when it
 * fits, otherwise buffer[0] becomes NUL. A null buffer asks for the size.
 */
HXKMGR_API size_t HXSimStatusJson(DeviceContext *context, char *buffer, size_t capacity);
/*
 * The image last sent on this connection with the image-download command:
 * line count and bytes per line (0 and 0 before any), and the pixels when
 * pixels is not null (capacity must hold lines x lineBytes bytes, else -2).
 */
HXKMGR_API int HXSimLastImage(DeviceContext *context, uint64_t *lines, uint64_t *lineBytes, uint8_t *pixels,
                              size_t capacity);

#ifdef __cplusplus
}
#endif

#endif
