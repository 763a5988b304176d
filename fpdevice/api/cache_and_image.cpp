// The key's finger cache, and gray images sent to the key in blocks of
// whole lines.
#include <cstring>

#include "api/command_frame.h"

using namespace fpdevice;

namespace {

constexpr uint8_t kCla = 0x80;
constexpr uint8_t kCacheP2 = 0x06;
constexpr uint8_t kImageIns = 0xF7;
constexpr uint8_t kImageP1 = 0x01;
constexpr uint64_t kBlockPixelBytes = 240;
constexpr uint64_t kBlockHeaderBytes = 13;  // CLA INS P1 P2 Lc, then 8 bytes of block header
// Line numbers are 16 bits on the key: a taller image would overwrite its
// first lines there.
constexpr uint64_t kMaxLines = 0xFFFF;

enum CacheCommand : uint8_t { kCacheState = 0x00, kCacheClear = 0x01, kCacheEnable = 0x02, kCacheDisable = 0x03 };

constexpr StatusEntry kEnableCacheStatuses[] = {Recognised(SW_MEMORY_FAILURE), Recognised(SW_SECURITY_NOT_SATISFIED),
                                                Recognised(SW_AUTH_METHOD_BLOCKED)};
constexpr StatusEntry kDownloadStatuses[] = {Recognised(SW_WRONG_LENGTH), Recognised(SW_INCORRECT_DATA),
                                             Recognised(SW_DEVICE_INFO_FAILED), Recognised(SW_WRONG_P1P2)};

// Writes one block of `lineCount` lines starting at `firstLine` into the
// command and sends it.
uint16_t SendBlock(DeviceContext *hDev, Apdu &apdu, const ImageRecord &image, uint64_t firstLine, uint64_t lineCount,
                   const char *trace, uint64_t blockNumber) {
    const uint64_t bytes = lineCount * image.lineBytes;
    // Written for every block: a block answered 0x61xx leaves GET RESPONSE
    // in the command buffer.
    apdu.command[0] = kCla;
    apdu.command[1] = kImageIns;
    apdu.command[2] = kImageP1;
    apdu.command[3] = 0x00;
    apdu.command[4] = static_cast<uint8_t>(bytes + 8);
    // The first line number is 16 bits, low byte first.
    apdu.command[5] = static_cast<uint8_t>(firstLine);
    apdu.command[6] = static_cast<uint8_t>(firstLine >> 8);
    apdu.command[9] = static_cast<uint8_t>(lineCount);
    std::memcpy(apdu.command + kBlockHeaderBytes, image.pixels + firstLine * image.lineBytes, bytes);
    apdu.commandLength = kBlockHeaderBytes + bytes;
    apdu.responseLength = kResponseCapacity;
    const auto statusWord =
        static_cast<uint16_t>(SCardAPDU(hDev, apdu.command, apdu.commandLength, apdu.response, &apdu.responseLength));
    if (trace == nullptr) {
        MYTRACE("HXDactylDownloadImage rest line SCardAPDU return retV=%04X, dwRespLen=%d", statusWord,
                static_cast<int>(apdu.responseLength));
    } else {
        MYTRACE(trace, static_cast<int>(blockNumber), statusWord, static_cast<int>(apdu.responseLength));
    }
    return statusWord;
}

}  // namespace

extern "C" {

uint64_t HXDactylGetFingerCacheState(DeviceContext *hDev, uint8_t *state) {
    static constexpr const char *kName = "HXDactylGetFingerCacheState";
    TraceEnter(kName);
    if (state == nullptr) return FP_E_BAD_ARGUMENT;
    Apdu apdu = Apdu::Header(kCla, 0xF9, kCacheState, kCacheP2, 0x01);
    const uint16_t statusWord = RunLocked(hDev, kName, apdu);
    if (statusWord == SW_SUCCESS) *state = apdu.response[0];
    return StatusTable{}.Map(statusWord);
}

uint64_t HXDactylClearFingerCache(DeviceContext *hDev) {
    TraceEnter("HXDactylClearFingerCache");
    Apdu apdu = Apdu::Header(kCla, 0xF9, kCacheClear, kCacheP2, 0x01);
    return StatusTable{}.Map(RunLocked(hDev, "HXDactylClearFingerCache", apdu));
}

uint64_t HXDactylEnableFingerCache(DeviceContext *hDev, uint8_t enable) {
    static constexpr const char *kName = "HXDactylEnableFingerCache";
    TraceEnter(kName);
    // The value is checked under the token, so a null handle reports the
    // lock whatever the value.
    LockToken lock(hDev);
    if (!lock.Held()) return StatusTable{kEnableCacheStatuses}.Map(SW_LOCK_NOT_OBTAINED);
    if (enable > 1) return FP_E_BAD_ARGUMENT;
    Apdu apdu = Apdu::Header(kCla, 0xF9, enable == 1 ? kCacheEnable : kCacheDisable, kCacheP2, 0x01);
    return StatusTable{kEnableCacheStatuses}.Map(Transceive(hDev, kName, apdu));
}

uint64_t HXDactylDownloadImage(DeviceContext *hDev, const ImageRecord *image) {
    TraceEnter("HXDactylDownloadImage");
    // No line per block is no block at all: refuse before dividing by it.
    if (image == nullptr || image->pixels == nullptr || image->lineBytes == 0) return FP_E_BAD_ARGUMENT;
    if (image->lineBytes > kBlockPixelBytes) return FP_E_LINES_TOO_LONG;
    if (image->lines > kMaxLines) return FP_E_BAD_ARGUMENT;

    const uint64_t linesPerBlock = kBlockPixelBytes / image->lineBytes;
    const uint64_t fullBlocks = image->lines / linesPerBlock;
    const uint64_t restLines = image->lines % linesPerBlock;
    Apdu apdu;

    // An image of no lines sends nothing and keeps this initial status,
    // which no table recognises.
    uint16_t statusWord = 0;
    LockToken lock(hDev);
    if (!lock.Held()) {
        statusWord = SW_LOCK_NOT_OBTAINED;
    } else {
        bool allSent = true;
        for (uint64_t block = 0; block < fullBlocks; ++block) {
            statusWord =
                SendBlock(hDev, apdu, *image, linesPerBlock * block, linesPerBlock,
                          "HXDactylDownloadImage Loop No: %d, SCardAPDU return retV=%04X, dwRespLen=%d", block);
            if (statusWord != SW_SUCCESS) {
                allSent = false;
                break;
            }
        }
        if (allSent && restLines != 0) {
            statusWord = SendBlock(hDev, apdu, *image, linesPerBlock * fullBlocks, restLines, nullptr, 0);
        }
    }
    return StatusTable{kDownloadStatuses}.Map(statusWord);
}

uint64_t HXDactylUploadImage(DeviceContext * /*hDev*/, void * /*unused*/) { return FP_OK; }
}
