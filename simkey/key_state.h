// The persistent state of a simulated key: what a real key keeps in its
// EEPROM between sessions.
#ifndef SIMKEY_KEY_STATE_H
#define SIMKEY_KEY_STATE_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "fpdevice/dactyl.h"
#include "simkey/faults.h"
#include "simkey/image_finger.h"

namespace simkey {

constexpr uint16_t kMasterFileId = 0x3F00;
constexpr uint16_t kNextFileRecordId = TOKEN_FID_NEXT_RECORD;
constexpr uint16_t kTemplateIndexId = FP_INDEX_FILE_ID;
constexpr uint16_t kLockMarkFileId = FP_LOCK_MARK_FILE_ID;

constexpr size_t kNextFileRecordSize = 16;
constexpr uint16_t kFirstTemplateFileNumber = 5;
constexpr size_t kIndexEntrySize = FP_INDEX_ENTRY_SIZE;
constexpr size_t kLockMarkFileSize = 128;
constexpr size_t kLockMarkOffset = 0x6A;
constexpr uint8_t kLockMarkBit = 0x04;

// What the key's file system can hold besides the master file.
constexpr size_t kMaxFiles = 64;
constexpr size_t kMaxTotalFileBytes = 65536;

constexpr size_t kMaxFingerLabelLength = 64;
constexpr size_t kMaxPinLength = 16;
constexpr size_t kFeatureSlots = 3;
constexpr size_t kAuthKeySize = 16;

struct Settings {
    uint8_t verifyMode = 1;  // 0 password, 1 finger, 2 finger or password
    uint8_t timeOut = 30;
    uint8_t securityLevel = 3;
    uint8_t imageGain = 128;

    bool operator==(const Settings &) const = default;
};

struct RetryCounter {
    uint8_t maximum = 0;
    uint8_t left = 0;

    void restore() { left = maximum; }
    bool operator==(const RetryCounter &) const = default;
};

struct FingerCache {
    bool enabled = false;
    std::vector<uint8_t> templates;  // template numbers that matched, oldest first

    bool operator==(const FingerCache &) const = default;
};

using AuthKey = std::array<uint8_t, kAuthKeySize>;
using FileMap = std::map<uint16_t, std::vector<uint8_t>>;

struct KeyState {
    // Counts factory resets, so that connections drop their security state.
    uint64_t resetCount = 0;
    std::string serialNumber;
    Settings settings;
    uint8_t templateCapacity = 10;
    FingerCache fingerCache;
    std::string userPin;
    RetryCounter pinTries;
    RetryCounter fingerTries;
    AuthKey authKey{};
    std::optional<std::string> fingerOnSensor;
    std::optional<std::string> capturedFinger;
    std::array<std::optional<std::string>, kFeatureSlots> featureSlots;
    // An image finger takes the place of a label on the sensor, in the
    // capture and in a feature slot: each place holds one or the other.
    std::optional<SensedImage> imageOnSensor;
    std::optional<SensedImage> capturedImage;
    std::array<std::vector<uint8_t>, kFeatureSlots> imageSlots;  // stored templates; empty when unused
    FileMap files;                                               // elementary files by id; the master file is implicit
    std::vector<Fault> faults;

    bool operator==(const KeyState &) const = default;
};

// A key as it leaves the factory, with the given serial number.
KeyState factoryState(std::string serialNumber);
// Sixteen upper-case hex digits from the random generator.
std::string newSerialNumber();

bool isSystemFile(uint16_t fileId);
size_t totalFileBytes(const FileMap &files);

struct IndexEntry {
    uint8_t templateNumber = 0;
    bool enrolled = false;
    uint16_t fileId = 0;
};
// The entries of the template index file for template numbers 1..capacity
// (as far as the file holds them).
std::vector<IndexEntry> readTemplateIndex(const KeyState &state);
std::optional<IndexEntry> enrolledTemplate(const KeyState &state, unsigned templateNumber);
bool lockMarkSet(const KeyState &state);
void clearLockMark(KeyState &state);

}  // namespace simkey

#endif
