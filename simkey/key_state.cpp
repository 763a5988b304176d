#include "simkey/key_state.h"

#include <numeric>
#include <stdexcept>

#include "simkey/card_crypto.h"

namespace simkey {

KeyState factoryState(std::string serialNumber) {
    KeyState state;
    state.serialNumber = std::move(serialNumber);
    state.templateCapacity = 10;
    state.userPin = "123456";
    state.pinTries = RetryCounter{3, 3};
    state.fingerTries = RetryCounter{5, 5};
    for (size_t i = 0; i < state.authKey.size(); ++i) {
        state.authKey[i] = static_cast<uint8_t>(i);
    }

    std::vector<uint8_t> nextFileRecord(kNextFileRecordSize, 0);
    nextFileRecord[1] = static_cast<uint8_t>(kFirstTemplateFileNumber & 0xFF);
    nextFileRecord[2] = static_cast<uint8_t>(kFirstTemplateFileNumber >> 8);
    state.files[kNextFileRecordId] = std::move(nextFileRecord);
    state.files[kTemplateIndexId] = std::vector<uint8_t>(state.templateCapacity * kIndexEntrySize, 0);
    state.files[kLockMarkFileId] = std::vector<uint8_t>(kLockMarkFileSize, 0);
    return state;
}

std::string newSerialNumber() {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const auto bytes = randomBytes(8);
    std::string serial;
    for (uint8_t byte : bytes) {
        serial += kHex[byte >> 4];
        serial += kHex[byte & 0x0F];
    }
    return serial;
}

bool isSystemFile(uint16_t fileId) {
    return fileId == kMasterFileId || fileId == kNextFileRecordId || fileId == kTemplateIndexId ||
           fileId == kLockMarkFileId;
}

size_t totalFileBytes(const FileMap &files) {
    return std::accumulate(files.begin(), files.end(), size_t{0},
                           [](size_t sum, const auto &file) { return sum + file.second.size(); });
}

std::vector<IndexEntry> readTemplateIndex(const KeyState &state) {
    std::vector<IndexEntry> entries;
    const auto index = state.files.find(kTemplateIndexId);
    if (index == state.files.end()) {
        return entries;
    }
    const auto &bytes = index->second;
    for (unsigned number = 1; number <= state.templateCapacity; ++number) {
        const size_t offset = FP_INDEX_ENTRY_OFFSET(number);
        if (offset + kIndexEntrySize > bytes.size()) {
            break;
        }
        IndexEntry entry;
        entry.templateNumber = static_cast<uint8_t>(number);
        entry.enrolled = FpIndexEntryEnrolled(bytes.data() + offset);
        entry.fileId = FpIndexEntryFileId(bytes.data() + offset);
        entries.push_back(entry);
    }
    return entries;
}

std::optional<IndexEntry> enrolledTemplate(const KeyState &state, unsigned templateNumber) {
    for (const auto &entry : readTemplateIndex(state)) {
        if (entry.templateNumber == templateNumber && entry.enrolled) {
            return entry;
        }
    }
    return std::nullopt;
}

bool lockMarkSet(const KeyState &state) {
    const auto file = state.files.find(kLockMarkFileId);
    return file != state.files.end() && file->second.size() > kLockMarkOffset &&
           (file->second[kLockMarkOffset] & kLockMarkBit) != 0;
}

void clearLockMark(KeyState &state) {
    const auto file = state.files.find(kLockMarkFileId);
    if (file != state.files.end() && file->second.size() > kLockMarkOffset) {
        file->second[kLockMarkOffset] &= static_cast<uint8_t>(~kLockMarkBit);
    }
}

}  // namespace simkey
