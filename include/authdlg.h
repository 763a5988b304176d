/*
 * authdlg: proves the user at the fingerprint key. One call, HXLoginVerify,
 * authenticates the key externally, reads its verify mode and then checks
 * cached credentials, runs the PIN login or shows the fingerprint dialog.
 *
 * The library calls the device functions of libfpdevice.so and
 * HXSCardVerifyUserPin of libhxpkcs.so by name: the host loads both with
 * global symbol visibility (RTLD_GLOBAL) before it calls HXLoginVerify.
 * HXLoginVerify runs its dialogs on the calling thread, which must be the
 * Qt GUI thread.
 *
 * Compiles as C99 and as C++.
 */
#ifndef AUTHDLG_H
#define AUTHDLG_H

#include <stdint.h>

#include "fpdevice/transport.h"

#if defined(__GNUC__)
#define AUTHDLG_API __attribute__((visibility("default")))
#else
#define AUTHDLG_API
#endif

#ifdef __cplusplus
#include <atomic>
class QWidget;
typedef QWidget AuthDlgParent;
extern "C" {
#else
typedef void AuthDlgParent; /* a QWidget, or null */
#endif

/* loginType */
#define LOGIN_CACHE_ONLY      0u
#define LOGIN_PROMPT          1u
#define LOGIN_CACHE_OR_PROMPT 2u

/* dwFlags */
#define LOGIN_FLAG_SILENT      0x0002u /* no message boxes of HXLoginVerify's own */
#define LOGIN_FLAG_SINGLE_PASS 0x1000u /* an undecided fingerprint pass is not repeated */

/* Results of HXLoginVerify besides 0 (authenticated). */
#define LOGIN_E_AUTH_FAILED   0x80006A16u /* the key's external authentication failed */
#define LOGIN_E_NO_CACHE      0x80006A81u /* cache-only login, nothing cached */
#define LOGIN_E_CANCELLED     0x80006A82u /* the user cancelled */
#define LOGIN_E_LOCKED        0x80006983u /* key locked, or security state not satisfied */
#define LOGIN_E_FINGER_FAILED 0x800063C0u /* OR the retries left (0 to 15) */
#define LOGIN_E_UNAVAILABLE   0x8000B001u /* a device function is missing from the process */
#define LOGIN_E_NO_BRANCH     0x8000B003u /* login type or verify mode outside 0 to 2 */

/*
 * hDev: the key. parent: parent of HXLoginVerify's message boxes (may be
 * null). RetryTimes: in, printed by the finger-cache check; out, the
 * fingerprint retries the key last reported (0 before any failure).
 * bCreateApp: nonzero when the host has no QApplication; the call then makes
 * one for its duration. Returns 0 when the user is authenticated.
 *
 * What the call changes besides: the key is authenticated externally, and
 * every rejected PIN or finger uses up one of its attempts; a translator is
 * installed for the call and removed again; the folder of the Qt plug-ins
 * beside this library is added to the application's library paths and
 * stays there; progress lines go to standard output, and the reason for a
 * refused call to standard error.
 */
AUTHDLG_API uint64_t HXLoginVerify(DeviceContext *hDev, AuthDlgParent *parent, uint8_t loginType, uint64_t dwFlags,
                                   void *pReserved, uint8_t *RetryTimes, int bCreateApp);

/* The PIN login: 0, LOGIN_E_CANCELLED, LOGIN_E_LOCKED or 0x80000000 + SW.
 * Each rejected PIN uses up one of the key's attempts; the PIN is wiped from
 * memory once the key has it. */
AUTHDLG_API uint64_t VerifyUserPin(DeviceContext *hDev, AuthDlgParent *parent);
/* Cache checks: 0 would mean cached; no credential counts as cached. Both
 * print their arguments to standard output and do not ask the key. */
AUTHDLG_API uint64_t VerifyCacheFinger(DeviceContext *hDev, uint8_t *RetryTimes);
AUTHDLG_API uint64_t VerifyCachePin(DeviceContext *hDev);

/* Register and unregister the embedded images (done at load and unload). */
AUTHDLG_API int qInitResources_authdlg(void);
AUTHDLG_API int qCleanupResources_authdlg(void);

/*
 * 1 asks a running capture worker to stop; every worker exit sets it back to
 * 0, as do a new showing of the fingerprint dialog and waiting for its
 * worker. A single 16-bit atomic value: C code accesses it with
 * __atomic_load_n and __atomic_store_n.
 */
#ifdef __cplusplus
AUTHDLG_API extern std::atomic<int16_t> g_CancelPressed;
#else
AUTHDLG_API extern int16_t g_CancelPressed;
#endif
/* Kept for hosts that link it; the library never reads or writes it. */
AUTHDLG_API extern int16_t Enable_Fingerprint_Mode;

#ifdef __cplusplus
} /* extern "C" */

static_assert(sizeof(std::atomic<int16_t>) == 2 && std::atomic<int16_t>::is_always_lock_free,
              "g_CancelPressed must be one lock-free 16-bit value");

/* Exported for hosts that name it; it has no members and does nothing. */
class AUTHDLG_API CHXLoginVerify {
public:
    CHXLoginVerify();
};
#endif

#endif
