/*
 * fpdevice device API: the fingerprint application on the key.
 *
 * Every HXDactyl... function returns a result code: 0 on success,
 * 0x80000000 + SW for a status word the function recognises, or one of the
 * FP_E_... codes below. HXIsDactyl answers 1 or 0.
 *
 * Compiles as C99 and as C++.
 */
#ifndef FPDEVICE_DACTYL_H
#define FPDEVICE_DACTYL_H

#include "fpdevice/transport.h"

#ifdef __cplusplus
extern "C" {
#endif

#define FP_OK                  0x00000000u
#define FP_E_STATUS_BASE       0x80000000u                               /* + the key's status word */
#define FP_E_LOCK              (FP_E_STATUS_BASE + SW_LOCK_NOT_OBTAINED) /* lock token not obtained; nothing sent */
#define FP_E_UNKNOWN_STATUS    0x8000B001u /* status not recognised, or transport failure */
#define FP_E_BAD_ARGUMENT      0x8000B002u /* nothing sent */
#define FP_E_NO_MEMORY         0x8000B003u
#define FP_E_TEMPLATE_CREATE   0x80000101u
#define FP_E_TEMPLATE_ERASE    0x80000102u
#define FP_E_INDEX_WRITE       0x80000108u
#define FP_E_NO_CAPACITY       (FP_E_STATUS_BASE + SW_NO_CAPACITY)
#define FP_E_DELETE_FAILED     0x80009901u
#define FP_E_INDEX_READ        0x80009902u
#define FP_E_LINES_TOO_LONG    0x80009903u
#define FP_E_CAPTURE_FAILED    (FP_E_STATUS_BASE + SW_CAPTURE_FAILED)
#define FP_E_CAPTURE_PENDING   (FP_E_STATUS_BASE + SW_CAPTURE_NOT_COMPLETE)
#define FP_E_VERIFY_MISMATCH   (FP_E_STATUS_BASE + SW_FINGER_MISMATCH)
#define FP_E_IDENTIFY_MISMATCH 0x80006A2Fu

/* The template index: one entry per template number, in file 0x0520. */
#define FP_INDEX_FILE_ID    0x0520u
#define FP_INDEX_ENTRY_SIZE 20u
/* The largest index any key can report: 255 entries. */
#define FP_INDEX_MAX_BYTES   (255u * FP_INDEX_ENTRY_SIZE)
#define FP_LOCK_MARK_FILE_ID 0x4000u

#define FP_INDEX_CALLER_DATA_SIZE 16u

typedef struct FpIndexEntry {
    uint8_t enrolled;  /* 1 = a template is enrolled */
    uint8_t tag;       /* caller data */
    uint8_t fileId[2]; /* template file id, high byte first; 0 = none */
    uint8_t callerData[FP_INDEX_CALLER_DATA_SIZE];
} FpIndexEntry;

/* Fails to compile should the record and the index disagree on its size. */
typedef char FpIndexEntryMatchesTheIndex[sizeof(FpIndexEntry) == FP_INDEX_ENTRY_SIZE ? 1 : -1];

/*
 * Entries as raw bytes: entry n (1 to the capacity) of an index read by
 * HXDactylReadIndexFile lies at FP_INDEX_ENTRY_OFFSET(n). The description
 * HXDactylFeatureEnroll takes has the same layout; the key keeps its tag and
 * caller data and sets the enrolled flag and the file id itself.
 */
#define FP_INDEX_ENTRY_OFFSET(templateNumber) (((size_t)(templateNumber)-1u) * FP_INDEX_ENTRY_SIZE)

static inline int FpIndexEntryEnrolled(const uint8_t *entry) { return entry[offsetof(FpIndexEntry, enrolled)] == 1; }
static inline uint8_t FpIndexEntryTag(const uint8_t *entry) { return entry[offsetof(FpIndexEntry, tag)]; }
/* 0 when the entry names no template file. */
static inline uint16_t FpIndexEntryFileId(const uint8_t *entry) {
    const uint8_t *id = entry + offsetof(FpIndexEntry, fileId);
    return (uint16_t)(id[0] << 8 | id[1]);
}
static inline const uint8_t *FpIndexEntryCallerData(const uint8_t *entry) {
    return entry + offsetof(FpIndexEntry, callerData);
}

static inline void FpIndexEntrySetEnrolled(uint8_t *entry, int enrolled) {
    entry[offsetof(FpIndexEntry, enrolled)] = enrolled ? 1 : 0;
}
static inline void FpIndexEntrySetTag(uint8_t *entry, uint8_t tag) { entry[offsetof(FpIndexEntry, tag)] = tag; }
static inline void FpIndexEntrySetFileId(uint8_t *entry, uint16_t fileId) {
    uint8_t *id = entry + offsetof(FpIndexEntry, fileId);
    id[0] = (uint8_t)(fileId >> 8);
    id[1] = (uint8_t)fileId;
}
/* Copies up to FP_INDEX_CALLER_DATA_SIZE bytes; the bytes after them stay. */
static inline void FpIndexEntrySetCallerData(uint8_t *entry, const uint8_t *data, size_t length) {
    uint8_t *callerData = entry + offsetof(FpIndexEntry, callerData);
    size_t i;
    for (i = 0; i < length && i < FP_INDEX_CALLER_DATA_SIZE; ++i) callerData[i] = data[i];
}

/* A gray image sent to the key by HXDactylDownloadImage. */
typedef struct ImageRecord {
    uint64_t lines;     /* at most 65535: the key numbers lines in 16 bits */
    uint64_t lineBytes; /* 1 to 240 */
    uint64_t reserved;  /* not read */
    const uint8_t *pixels;
} ImageRecord;

/*
 * What every call below has in common:
 * - hDev is the host's context of a connected key (DeviceContext in
 *   transport.h); the call borrows it and keeps nothing after it returns.
 *   Every pointer argument is the caller's, read or written only during
 *   the call; nothing is allocated for the caller to free.
 * - The call holds the lock token of hDev (MyLock) while it talks to the key.
 *   A null device gets no token and nothing is sent: 0x80009909
 *   (FP_E_LOCK) unless the call says otherwise.
 * - A null out-pointer or buffer is 0x8000B002 (FP_E_BAD_ARGUMENT) with
 *   nothing sent.
 * - Results: 0 on success; 0x80000000 + SW for each status word listed with
 *   the call ("Results"); 0x8000B001 (FP_E_UNKNOWN_STATUS) for any other
 *   answer and for a failed exchange (key removed, key manager failure).
 *   fpdevice/result_text.h turns any of them into words.
 * - An out-value is written only when the call succeeds, unless its comment
 *   says otherwise. The key's answers go to MYTRACE.
 * - Calls that change the key need it authenticated first (HXSCardAuthBio);
 *   without that the key answers 0x6982 (0x80006982 where listed).
 */

/* 1 when the key answers the fingerprint application's device-information
 * command, else 0 (also for a null device). */
FPDEVICE_API int HXIsDactyl(DeviceContext *hDev);
/* The key runs its self test. Results: 0x80006AFA (the test failed). */
FPDEVICE_API uint64_t HXDactylSelfTest(DeviceContext *hDev);
/* The key's device information. `info` must hold 256 bytes; the answer's
 * data goes there and its length to *infoLength whatever the key answers:
 * nothing, with length 0, on most failures. Results: 0x80006AFB (refused). */
FPDEVICE_API uint64_t HXDactylGetDeviceInfo(DeviceContext *hDev, uint8_t *info, uint64_t *infoLength);

/*
 * The key's settings, one byte each. The setters change what the key keeps
 * from now on, across sessions and hosts, and need the key authenticated.
 * - Verify mode: how a user proves to be the key's owner. 0 = PIN only,
 *   1 = finger only, 2 = finger or PIN. A mode above 2 is refused with
 *   nothing sent (0x8000B002).
 * - Time-out: seconds a capture waits for a finger.
 * - Security level: how strict the key's matcher is (higher: fewer false
 *   matches, more false refusals).
 * - Image gain: the sensor's amplification.
 * The key defines the valid range of each value and refuses others; that
 * answer is not one the calls recognise, so it comes back as 0x8000B001
 * (`fpkey set` names the ranges and checks them before sending).
 * Results of the setters: 0x80006581 (the key could not store the value),
 * 0x80006982 (not authenticated), 0x80006983 (key blocked); the verify-mode
 * setter also 0x80006A18 (mode change refused). Results of the getters:
 * 0x80006983.
 */
FPDEVICE_API uint64_t HXDactylSetVerifyMode(DeviceContext *hDev, uint8_t mode);
FPDEVICE_API uint64_t HXDactylGetVerifyMode(DeviceContext *hDev, uint8_t *mode);
FPDEVICE_API uint64_t HXDactylSetTimeOut(DeviceContext *hDev, uint8_t timeOut);
FPDEVICE_API uint64_t HXDactylGetTimeOut(DeviceContext *hDev, uint8_t *timeOut);
FPDEVICE_API uint64_t HXDactylSetSecLevel(DeviceContext *hDev, uint8_t level);
FPDEVICE_API uint64_t HXDactylGetSecLevel(DeviceContext *hDev, uint8_t *level);
FPDEVICE_API uint64_t HXDactylSetImageGain(DeviceContext *hDev, uint8_t gain);
FPDEVICE_API uint64_t HXDactylGetImageGain(DeviceContext *hDev, uint8_t *gain);
/* The key's security state on this connection, a value of the key's (the
 * simulated key: 1 = key authenticated, 2 = user PIN verified as well).
 * *state is set to 0 ("not satisfied") before the key is asked, so it reads
 * 0 after any failure. Results: 0x80006982 (the key is not authenticated). */
FPDEVICE_API uint64_t HXDactylGetSecState(DeviceContext *hDev, uint8_t *state);
/* How many templates the key can hold (template numbers 1 to *capacity).
 * Results: 0x80006982. */
FPDEVICE_API uint64_t HXDactylGetMaxTmpltNum(DeviceContext *hDev, uint8_t *capacity);

/*
 * Takes an image from the sensor, waiting up to the key's time-out for a
 * finger; the key's earlier image is replaced. 0 once an image is taken.
 * Results that ask for another capture: 0x80006A0E (no finger yet),
 * 0x80006A09 (the capture failed; also every answer not listed here).
 * Results that one more capture does not cure: 0x80006982 (not
 * authenticated), 0x80006A07 (poor image), 0x80006A0A (dirty sensor),
 * 0x80006A0B (too small an area), 0x8000B001 (key gone, or no lock token).
 */
FPDEVICE_API uint64_t HXDactylCaptureImage(DeviceContext *hDev);
/*
 * Extracts the features of the key's image into feature slot 1, 2 or 3,
 * replacing what the slot held; another slot is refused with nothing sent
 * (0x8000B002). Verification and identification match slot 1; enrolment
 * takes all three. Results: 0x80006982, 0x80006A07 (poor image), 0x80006A08
 * (too few features), 0x80006A0B (too small an area), 0x80006A11 (no image
 * captured).
 */
FPDEVICE_API uint64_t HXDactylFeatureExtract(DeviceContext *hDev, uint8_t slot);
/*
 * Verification of slot 1's features against template `templateNumber`
 * (1 to the capacity), and identification against every enrolled template.
 * matchMode 1 asks the key to match against its finger cache (the templates
 * that matched lately, when the cache is on); any other value matches the
 * enrolled templates themselves.
 *
 * Verification reads the capacity first and refuses a number beyond it
 * with nothing more sent (0x8000B002). Identification writes the
 * matching template's number to *matchedNumber.
 *
 * A failed match uses up one of the key's finger attempts: *attemptsLeft
 * gets the count the key reports, with the result 0x80006A21 (verification)
 * or 0x80006A2F (identification). With no attempt left, or the method
 * blocked, *attemptsLeft gets 0, the call writes the lock mark into file
 * 0x4000 and reports 0x80006983; only the issuer can unblock the key.
 * Other results: 0x80006982, 0x80006A07, 0x80006A08, 0x80006A0B, 0x80006A11
 * (no features extracted), 0x80006A12 (cache not enabled), 0x80006A13
 * (cache empty), 0x80006A14 (the key's verify mode is PIN only).
 */
FPDEVICE_API uint64_t HXDactylFeatureVerify(DeviceContext *hDev, uint8_t matchMode, uint8_t templateNumber,
                                            uint8_t *attemptsLeft);
FPDEVICE_API uint64_t HXDactylFeatureIdentify(DeviceContext *hDev, uint8_t matchMode, uint8_t *matchedNumber,
                                              uint8_t *attemptsLeft);
/*
 * A match that uses up no attempt and writes no lock mark, for enrolment
 * checks and tests. With oneTemplate 0 (or *templateNumber 0) all templates
 * are tried and *templateNumber gets the matching one's number; otherwise
 * only *templateNumber is tried. Results: no match 0x80006A21 (one
 * template) or 0x80006A2F (all); otherwise as HXDactylFeatureVerify, except
 * that a blocked key is 0x8000B001.
 */
FPDEVICE_API uint64_t HXDactylFeatureVerifyTest(DeviceContext *hDev, uint16_t oneTemplate, uint8_t *templateNumber);

/*
 * Enrols the features of the three slots (three captures of one finger,
 * extracted into slots 1, 2 and 3) as template `templateNumber` (1 to the
 * capacity). `description` is FP_INDEX_ENTRY_SIZE bytes laid out as an index
 * entry (FpIndexEntry): its tag and 16 bytes of caller data are stored with
 * the template, for the host's own use (fpkey keeps a label there); its
 * enrolled flag and file id are not read. The caller keeps the buffer.
 *
 * An entry without a template file gets a new one, which advances the
 * next-file record; an enrolled number is enrolled again in place. The entry
 * is written last: a failed enrolment may leave it naming its file without
 * being enrolled, and the next attempt for that number takes the file over.
 * Results: 0x80006982, 0x80006A10 (the three captures do not agree),
 * 0x80006A82 (a template file is missing), 0x80006A0F (the capacity or the
 * next file number cannot be read, or no file number is left), 0x80000101
 * (template file not created), 0x80000102 (not erased), 0x80000108 (index
 * entry not written), 0x80009902 (index not read), 0x8000B002 (number 0 or
 * beyond the capacity, null description), 0x8000B003 (out of memory).
 */
FPDEVICE_API uint64_t HXDactylFeatureEnroll(DeviceContext *hDev, uint8_t templateNumber, const uint8_t *description);
/*
 * Reads the whole template index into `index`: capacity x 20 bytes, entry n
 * at FP_INDEX_ENTRY_OFFSET(n) (read it with the FpIndexEntry... accessors),
 * written only when the whole index was read. Results: 0x80009902 (the
 * index could not be read), 0x80006982.
 *
 * **The buffer must hold capacity x 20 bytes, and the capacity is read again
 * inside this call, so a capacity read before it may no longer hold: give it
 * FP_INDEX_MAX_BYTES (255 x 20 = 5100 bytes), which fits every key.**
 */
FPDEVICE_API uint64_t HXDactylReadIndexFile(DeviceContext *hDev, uint8_t *index);
/* Deletes template `templateNumber`: clears its entry, then erases its
 * template file; the next-file record stays. An entry without a file is
 * left as it is and the call succeeds. Results: 0x80009901 (the entry or
 * the file could not be removed; a file left without entry is reclaimed by
 * a later enrolment), 0x80009902 (index not read), 0x8000B002 (number 0 or
 * beyond the capacity), 0x8000B003; a capacity that cannot be read ends the
 * call with the capacity query's result. */
FPDEVICE_API uint64_t HXDactylDeleteFingerPrint(DeviceContext *hDev, uint8_t templateNumber);

/* The key's finger cache (the templates that matched lately, which match
 * mode 1 uses): its state (1 on, 0 off), emptying it, and switching it on
 * (1) or off (0); any other value is refused after the lock is taken
 * (0x8000B002). Results of switching: 0x80006581, 0x80006982, 0x80006983. */
FPDEVICE_API uint64_t HXDactylGetFingerCacheState(DeviceContext *hDev, uint8_t *state);
FPDEVICE_API uint64_t HXDactylClearFingerCache(DeviceContext *hDev);
FPDEVICE_API uint64_t HXDactylEnableFingerCache(DeviceContext *hDev, uint8_t enable);
/* Sends a gray image (the caller's, read only) to the key in blocks of
 * whole lines (240 bytes at most each); the key may then capture from it
 * instead of its sensor. The key has no transaction: after a failed block
 * the blocks before it stay on the key. An image of no lines sends nothing
 * and reports 0x8000B001; more than 65535 lines, lineBytes 0 or no pixels
 * 0x8000B002; lines longer than 240 bytes 0x80009903. Results: 0x80006700,
 * 0x80006A80, 0x80006AFB, 0x80006B00 (the key refused the block). */
FPDEVICE_API uint64_t HXDactylDownloadImage(DeviceContext *hDev, const ImageRecord *image);
/* Does nothing and returns 0. */
FPDEVICE_API uint64_t HXDactylUploadImage(DeviceContext *hDev, void *unused);

#ifdef __cplusplus
}
#endif

#endif
