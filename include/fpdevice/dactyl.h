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
 * What every call below has in common: it holds the lock token of hDev
 * (MyLock) while it talks to the key. A null device gets no token and
 * nothing is sent; most calls report that as FP_E_LOCK. An out-value is
 * written only when the call succeeds, unless its comment says otherwise.
 * The key's answers go to MYTRACE.
 */

/* 1 when the key answers the fingerprint application's device-information
 * command, else 0. */
FPDEVICE_API int HXIsDactyl(DeviceContext *hDev);
/* The key runs its self test. */
FPDEVICE_API uint64_t HXDactylSelfTest(DeviceContext *hDev);
/* Writes the answer's data (up to 256 bytes) to `info` and its length to
 * *infoLength whatever the key answers: nothing, with length 0, on most
 * failures. */
FPDEVICE_API uint64_t HXDactylGetDeviceInfo(DeviceContext *hDev, uint8_t *info, uint64_t *infoLength);

/* The setters change what the key keeps from now on, across sessions. A
 * verify mode above 2 is refused with nothing sent. */
FPDEVICE_API uint64_t HXDactylSetVerifyMode(DeviceContext *hDev, uint8_t mode);
FPDEVICE_API uint64_t HXDactylGetVerifyMode(DeviceContext *hDev, uint8_t *mode);
FPDEVICE_API uint64_t HXDactylSetTimeOut(DeviceContext *hDev, uint8_t timeOut);
FPDEVICE_API uint64_t HXDactylGetTimeOut(DeviceContext *hDev, uint8_t *timeOut);
FPDEVICE_API uint64_t HXDactylSetSecLevel(DeviceContext *hDev, uint8_t level);
FPDEVICE_API uint64_t HXDactylGetSecLevel(DeviceContext *hDev, uint8_t *level);
FPDEVICE_API uint64_t HXDactylSetImageGain(DeviceContext *hDev, uint8_t gain);
FPDEVICE_API uint64_t HXDactylGetImageGain(DeviceContext *hDev, uint8_t *gain);
/* *state is set to 0 ("not satisfied") before the key is asked, so it reads
 * 0 after any failure. */
FPDEVICE_API uint64_t HXDactylGetSecState(DeviceContext *hDev, uint8_t *state);
FPDEVICE_API uint64_t HXDactylGetMaxTmpltNum(DeviceContext *hDev, uint8_t *capacity);

/*
 * 0 once an image is taken; the key's earlier image is replaced. 0x80006A0E
 * (no finger yet) and 0x80006A09 (the capture failed) ask for another
 * capture; 0x80006982, 0x80006A07, 0x80006A0A and 0x80006A0B (not logged in,
 * poor image, dirty sensor, small area) and 0x8000B001 (key gone, or no lock
 * token) are not cured by one.
 */
FPDEVICE_API uint64_t HXDactylCaptureImage(DeviceContext *hDev);
/* Features of the key's image into feature slot 1, 2 or 3, replacing what
 * the slot held; another slot is refused with nothing sent. */
FPDEVICE_API uint64_t HXDactylFeatureExtract(DeviceContext *hDev, uint8_t slot);
/*
 * Verification against one template and identification against all.
 * Verification reads the capacity first and refuses a number beyond it. A
 * failed match uses up one of the key's finger attempts: *attemptsLeft gets
 * the count the key reports; with none left, or the method blocked, it gets
 * 0, the call writes the lock mark into file 0x4000 and reports 0x80006983.
 * Identification writes the matching template's number to *matchedNumber.
 */
FPDEVICE_API uint64_t HXDactylFeatureVerify(DeviceContext *hDev, uint8_t matchMode, uint8_t templateNumber,
                                            uint8_t *attemptsLeft);
FPDEVICE_API uint64_t HXDactylFeatureIdentify(DeviceContext *hDev, uint8_t matchMode, uint8_t *matchedNumber,
                                              uint8_t *attemptsLeft);
/* A match that uses up no attempt and writes no lock mark. With oneTemplate
 * 0 (or *templateNumber 0) all templates are tried and *templateNumber gets
 * the matching one's number; otherwise only *templateNumber is tried. */
FPDEVICE_API uint64_t HXDactylFeatureVerifyTest(DeviceContext *hDev, uint16_t oneTemplate, uint8_t *templateNumber);

/*
 * Enrols the features of the three slots as template `templateNumber`, with
 * the tag and caller data of `description` (an index entry's layout; its
 * enrolled flag and file id are not read). An entry without a template file
 * gets a new one, which advances the next-file record. The entry is written
 * last: a failed enrolment may leave it naming its file without being
 * enrolled, and the next attempt for that number takes the file over.
 */
FPDEVICE_API uint64_t HXDactylFeatureEnroll(DeviceContext *hDev, uint8_t templateNumber, const uint8_t *description);
/*
 * Reads the whole template index into `index`: capacity x 20 bytes, written
 * only when the whole index was read.
 *
 * **The buffer must hold capacity x 20 bytes, and the capacity is read again
 * inside this call, so a capacity read before it may no longer hold: give it
 * FP_INDEX_MAX_BYTES (255 x 20 = 5100 bytes), which fits every key.**
 */
FPDEVICE_API uint64_t HXDactylReadIndexFile(DeviceContext *hDev, uint8_t *index);
/* Clears the entry, then erases its template file; the next-file record
 * stays. An entry without a file is left as it is and the call succeeds. */
FPDEVICE_API uint64_t HXDactylDeleteFingerPrint(DeviceContext *hDev, uint8_t templateNumber);

/* The key's finger cache: its state, emptying it, and switching it on (1)
 * or off (0); any other value is refused after the lock is taken. */
FPDEVICE_API uint64_t HXDactylGetFingerCacheState(DeviceContext *hDev, uint8_t *state);
FPDEVICE_API uint64_t HXDactylClearFingerCache(DeviceContext *hDev);
FPDEVICE_API uint64_t HXDactylEnableFingerCache(DeviceContext *hDev, uint8_t enable);
/* Sends the image to the key in blocks of whole lines (240 bytes at most
 * each). The key has no transaction: after a failed block the blocks before
 * it stay on the key. An image of no lines sends nothing and reports
 * 0x8000B001. */
FPDEVICE_API uint64_t HXDactylDownloadImage(DeviceContext *hDev, const ImageRecord *image);
/* Does nothing and returns 0. */
FPDEVICE_API uint64_t HXDactylUploadImage(DeviceContext *hDev, void *unused);

#ifdef __cplusplus
}
#endif

#endif
