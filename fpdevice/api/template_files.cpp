#include "api/template_files.h"

#include "transport/file_command_status.h"

namespace fpdevice {
namespace {

// A fresh key's record starts here; the numbers below hold the key's own files.
constexpr uint16_t kFirstNumber = 5;
constexpr uint16_t kLastNumber = TemplateFileNumber(0xFFFF);

bool IsKeyOwnFile(uint16_t fileId) {
    return fileId == 0 || fileId == TOKEN_FID_NEXT_RECORD || fileId == FP_INDEX_FILE_ID || fileId == kMasterFileId ||
           fileId == FP_LOCK_MARK_FILE_ID;
}

bool NamedByIndex(const IndexCopy &index, uint16_t fileId) {
    for (unsigned n = 1; n <= index.capacity; ++n) {
        if (FpIndexEntryFileId(index.entries + FP_INDEX_ENTRY_OFFSET(n)) == fileId) return true;
    }
    return false;
}

bool Usable(const IndexCopy &index, uint16_t number) {
    const uint16_t fileId = TemplateFileId(number);
    return !IsKeyOwnFile(fileId) && !NamedByIndex(index, fileId);
}

uint16_t Following(uint16_t number) { return number >= kLastNumber ? kFirstNumber : static_cast<uint16_t>(number + 1); }

// Numbers below the record's were handed out by enrolment, so a file there
// that no entry names is no file of the key's own. Answers whether any went.
bool EraseUnnamedFilesBelow(DeviceContext *hDev, const IndexCopy &index, uint16_t number) {
    bool erased = false;
    for (uint16_t candidate = kFirstNumber; candidate < number; ++candidate) {
        if (Usable(index, candidate) && EraseFileStatus(hDev, TemplateFileId(candidate)) == SW_SUCCESS) erased = true;
    }
    return erased;
}

}  // namespace

Allocation AllocateTemplateFile(DeviceContext *hDev, const IndexCopy &index, uint16_t *fileId) {
    uint16_t number = 0;
    if (token_get_current_fid(hDev, &number) != 0) return Allocation::kNoNumber;
    if (number > kLastNumber) number = kFirstNumber;
    bool swept = false;
    // Each number comes round once at most; at most 255 are named and five
    // are the key's, so one is always usable.
    for (unsigned candidates = 0; candidates <= kLastNumber; ++candidates) {
        if (!Usable(index, number)) {
            number = Following(number);
            continue;
        }
        const uint32_t created =
            CreateFileStatus(hDev, TemplateFileId(number), kTemplateFileParameters, sizeof kTemplateFileParameters);
        if (created == SW_NOT_ENOUGH_MEMORY && !swept) {
            swept = true;
            if (!EraseUnnamedFilesBelow(hDev, index, number)) return Allocation::kNotCreated;
            continue;
        }
        if (created == SW_FILE_EXISTS && number < kFirstNumber) {
            number = Following(number);
            continue;
        }
        if (created != SW_SUCCESS && created != SW_FILE_EXISTS) return Allocation::kNotCreated;
        if (token_set_next_fid(hDev, Following(number)) != 0) return Allocation::kNoNumber;
        *fileId = TemplateFileId(number);
        return Allocation::kDone;
    }
    return Allocation::kNoNumber;
}

}  // namespace fpdevice
