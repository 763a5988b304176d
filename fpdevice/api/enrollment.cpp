// Enrolment into template files, the template index, and deletion.
//
// The index entries are read and written through the accessors of
// fpdevice/dactyl.h, which hosts use as well. A template file stays with its
// entry until the entry is deleted, so a failed enrolment leaves the file
// allocated for the next attempt.
#include <cstdlib>

#include "api/command_frame.h"
#include "api/template_files.h"
#include "transport/file_command_status.h"

using namespace fpdevice;

namespace {

// Outcomes of an enrolment beside the key's own status words; each maps to
// 0x80000000 + its value.
enum EnrollOutcome : uint16_t {
    kCreateFailed = 0x0101,
    kEraseFailed = 0x0102,
    kIndexWriteFailed = 0x0108,
    kNoFileNumber = SW_NO_CAPACITY,
    kIndexReadFailed = 0x9902,
};

constexpr StatusEntry kEnrollStatuses[] = {
    Recognised(kCreateFailed),     Recognised(kEraseFailed),
    Recognised(kIndexWriteFailed), Recognised(SW_SECURITY_NOT_SATISFIED),
    Recognised(kNoFileNumber),     Recognised(SW_ENROLL_FAILED),
    Recognised(SW_FILE_NOT_FOUND), Recognised(kIndexReadFailed),
};

uint16_t WriteIndexEntry(DeviceContext *hDev, uint8_t templateNumber, const uint8_t *entry) {
    return static_cast<uint16_t>(
        SCardUpdateBin(hDev, FP_INDEX_FILE_ID, FP_INDEX_ENTRY_OFFSET(templateNumber), entry, FP_INDEX_ENTRY_SIZE));
}

// A template file that no entry will name is erased again; when even that
// fails the key is left with an orphan, which the caller hears about.
uint16_t EraseAfterIndexFailure(DeviceContext *hDev, uint16_t fileId) {
    return SCardEraseEF(hDev, fileId) ? kIndexWriteFailed : kEraseFailed;
}

// Reads the whole index into `index`. Enrolment and deletion size their copy
// by a capacity read earlier; should the key report another capacity now,
// the read is refused rather than overrunning the copy.
constexpr int kAnyCapacity = -1;

uint64_t ReadIndex(DeviceContext *hDev, uint8_t *index, int expectedCapacity) {
    uint8_t capacity = 0;
    const uint64_t read = HXDactylGetMaxTmpltNum(hDev, &capacity);
    if (read != FP_OK) return read;
    if (expectedCapacity != kAnyCapacity && capacity != expectedCapacity) return FP_E_INDEX_READ;
    // A capacity of 0 has no index to read and fails like a failed read.
    const auto length = static_cast<uint16_t>(capacity * FP_INDEX_ENTRY_SIZE);
    return SCardReadBin(hDev, FP_INDEX_FILE_ID, 0, index, length) ? FP_OK : FP_E_INDEX_READ;
}

// Everything after the index copy is allocated; answers a status word or an
// EnrollOutcome.
uint16_t Enroll(DeviceContext *hDev, uint8_t templateNumber, const uint8_t *description, uint8_t *index,
                uint8_t capacity) {
    static constexpr const char *kName = "HXDactylFeatureEnroll";
    if (ReadIndex(hDev, index, capacity) != FP_OK) return kIndexReadFailed;
    const uint8_t *entry = index + FP_INDEX_ENTRY_OFFSET(templateNumber);

    uint16_t fileId = FpIndexEntryFileId(entry);
    const bool hadFile = fileId != 0;
    if (!hadFile) {
        switch (AllocateTemplateFile(hDev, IndexCopy{index, capacity}, &fileId)) {
            case Allocation::kDone: break;
            case Allocation::kNoNumber: return kNoFileNumber;
            case Allocation::kNotCreated: return kCreateFailed;
        }
    }

    LockToken lock(hDev);
    if (!lock.Held()) return SW_LOCK_NOT_OBTAINED;
    Apdu apdu = Apdu::Header(0x80, 0xFC, static_cast<uint8_t>(fileId >> 8), static_cast<uint8_t>(fileId), 0x02);
    const uint16_t statusWord = Transceive(hDev, kName, apdu);

    if (statusWord == SW_SECURITY_NOT_SATISFIED) {
        if (hadFile) return statusWord;
        // Undo the allocation so that the file number is handed out again.
        if (!SCardEraseEF(hDev, fileId)) return kEraseFailed;
        token_set_next_fid(hDev, TemplateFileNumber(fileId));
        return statusWord;
    }
    if (statusWord == SW_FILE_NOT_FOUND && hadFile) {
        // The entry names a file the key no longer has: make it again and
        // let the caller enrol once more.
        if (!SCardCreateFile(hDev, fileId, kTemplateFileParameters, sizeof kTemplateFileParameters)) {
            return kCreateFailed;
        }
        return statusWord;
    }
    if (statusWord != SW_SUCCESS && hadFile) return statusWord;

    uint8_t written[FP_INDEX_ENTRY_SIZE] = {};
    FpIndexEntrySetFileId(written, fileId);
    if (statusWord == SW_SUCCESS) {
        FpIndexEntrySetEnrolled(written, 1);
        FpIndexEntrySetTag(written, FpIndexEntryTag(description));
        FpIndexEntrySetCallerData(written, FpIndexEntryCallerData(description), FP_INDEX_CALLER_DATA_SIZE);
    }
    // Any other answer for a new file keeps the file allocated to the entry.
    if (!WriteIndexEntry(hDev, templateNumber, written)) {
        // The entry still names a file it already had, which now holds the
        // new template: erasing it would leave the entry naming nothing.
        if (hadFile) return kIndexWriteFailed;
        return EraseAfterIndexFailure(hDev, fileId);
    }
    return statusWord;
}

// Reads the capacity and refuses numbers outside 1..capacity.
uint64_t ReadCapacity(DeviceContext *hDev, uint8_t templateNumber, uint8_t *capacity) {
    const uint64_t read = HXDactylGetMaxTmpltNum(hDev, capacity);
    if (read != FP_OK) return read;
    return templateNumber == 0 || templateNumber > *capacity ? FP_E_BAD_ARGUMENT : FP_OK;
}

}  // namespace

extern "C" {

uint64_t HXDactylReadIndexFile(DeviceContext *hDev, uint8_t *index) {
    TraceEnter("HXDactylReadIndexFile");
    if (index == nullptr) return FP_E_BAD_ARGUMENT;
    return ReadIndex(hDev, index, kAnyCapacity);
}

uint64_t HXDactylFeatureEnroll(DeviceContext *hDev, uint8_t templateNumber, const uint8_t *description) {
    TraceEnter("HXDactylFeatureEnroll");
    if (description == nullptr) return FP_E_BAD_ARGUMENT;
    uint8_t capacity = 0;
    const uint64_t checked = ReadCapacity(hDev, templateNumber, &capacity);
    if (checked == FP_E_BAD_ARGUMENT) return checked;
    if (checked != FP_OK) return FP_E_NO_CAPACITY;

    auto *index = static_cast<uint8_t *>(std::malloc(capacity * FP_INDEX_ENTRY_SIZE));
    if (index == nullptr) return FP_E_NO_MEMORY;
    const uint16_t outcome = Enroll(hDev, templateNumber, description, index, capacity);
    std::free(index);
    return StatusTable{kEnrollStatuses}.Map(outcome);
}

uint64_t HXDactylDeleteFingerPrint(DeviceContext *hDev, uint8_t templateNumber) {
    TraceEnter("HXDactylDeleteFingerPrint");
    uint8_t capacity = 0;
    if (const uint64_t refused = ReadCapacity(hDev, templateNumber, &capacity)) return refused;

    auto *index = static_cast<uint8_t *>(std::malloc(capacity * FP_INDEX_ENTRY_SIZE));
    if (index == nullptr) return FP_E_NO_MEMORY;
    uint64_t result = ReadIndex(hDev, index, capacity);
    if (result == FP_OK) {
        const uint16_t fileId = FpIndexEntryFileId(index + FP_INDEX_ENTRY_OFFSET(templateNumber));
        if (fileId != 0) {
            // The next-file record stays: numbers are handed out again only
            // once they have all come round.
            const uint8_t cleared[FP_INDEX_ENTRY_SIZE] = {};
            // The entry goes first: a deletion cut short after it leaves an
            // unnamed file, which enrolment takes over or erases, never an
            // entry naming a file that is gone. A file already gone (cut
            // short by an older host between its erase and the entry) is as
            // good as erased.
            uint32_t erased = SW_SUCCESS;
            const bool entryCleared = WriteIndexEntry(hDev, templateNumber, cleared);
            if (entryCleared) erased = EraseFileStatus(hDev, fileId);
            result = entryCleared && (erased == SW_SUCCESS || erased == SW_FILE_NOT_FOUND) ? FP_OK : FP_E_DELETE_FAILED;
        }
    }
    std::free(index);
    return result;
}
}
