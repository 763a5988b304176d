// The key's file commands: select, chunked read and write, create, delete,
// and the record holding the next free template file number. They answer
// 1 or 0 (the record accessors 0 or 0x80000107) and carry no lock or trace:
// their callers hold the lock where one is needed.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "transport/file_command_status.h"
#include "transport/template_file_ids.h"

namespace {

constexpr uint16_t kChunk = 0xB0;  // 176 bytes per READ/WRITE BINARY
constexpr uint8_t kMaxCreateParameters = 107;

// Room for the longest command (5 + 176) and any answer of a short response.
struct FileExchange {
    uint8_t command[5 + kMaxCreateParameters + 80];
    uint8_t response[258];
    uint64_t responseLength = 0;

    uint32_t Send(DeviceContext *hDev, uint64_t commandLength) {
        return SCardAPDU(hDev, command, commandLength, response, &responseLength);
    }
};

void PutHeader(uint8_t *command, uint8_t cla, uint8_t ins, uint16_t p1p2, uint8_t p3) {
    command[0] = cla;
    command[1] = ins;
    command[2] = static_cast<uint8_t>(p1p2 >> 8);
    command[3] = static_cast<uint8_t>(p1p2);
    command[4] = p3;
}

bool Select(DeviceContext *hDev, uint16_t fileId) {
    FileExchange x;
    PutHeader(x.command, 0x00, 0xA4, 0x0000, 2);
    x.command[5] = static_cast<uint8_t>(fileId >> 8);
    x.command[6] = static_cast<uint8_t>(fileId);
    return x.Send(hDev, 7) == SW_SUCCESS;
}

}  // namespace

namespace fpdevice {

uint32_t CreateFileStatus(DeviceContext *hDev, uint16_t fileId, const uint8_t *parameters, uint8_t parameterLength) {
    if (parameterLength > kMaxCreateParameters || (parameters == nullptr && parameterLength != 0)) {
        return SW_TRANSPORT_FAILURE;
    }
    FileExchange x;
    PutHeader(x.command, 0x80, 0xE0, fileId, parameterLength);
    if (parameterLength != 0) std::memcpy(x.command + 5, parameters, parameterLength);
    return x.Send(hDev, 5u + parameterLength);
}

uint32_t EraseFileStatus(DeviceContext *hDev, uint16_t fileId) {
    FileExchange x;
    PutHeader(x.command, 0x00, 0xE4, 0x0000, 2);
    x.command[5] = static_cast<uint8_t>(fileId >> 8);
    x.command[6] = static_cast<uint8_t>(fileId);
    return x.Send(hDev, 7);
}

}  // namespace fpdevice

extern "C" {

int SCardReadBin(DeviceContext *hDev, uint16_t fileId, uint16_t offset, uint8_t *destination, uint16_t length) {
    if (destination == nullptr || length == 0) return 0;
    if (fileId != TOKEN_FID_CURRENT && !Select(hDev, fileId)) return 0;
    // Reading into a working copy keeps the caller's buffer untouched when a
    // later chunk fails.
    auto *work = static_cast<uint8_t *>(std::malloc(length));
    if (work == nullptr) return 0;
    uint32_t position = 0;
    while (position < length) {
        const uint16_t n = static_cast<uint16_t>(std::min<uint32_t>(length - position, kChunk));
        FileExchange x;
        PutHeader(x.command, 0x00, 0xB0, offset, static_cast<uint8_t>(n));
        // An answer of any other length than the chunk asked for would leave
        // a gap or overrun the copy: it counts as a failed read.
        if (x.Send(hDev, 5) != SW_SUCCESS || x.responseLength != n) {
            std::free(work);
            return 0;
        }
        std::memcpy(work + position, x.response, n);
        position += n;
        offset = static_cast<uint16_t>(offset + n);  // offsets wrap at 16 bits, as P1-P2 do
    }
    std::memcpy(destination, work, length);
    std::free(work);
    return 1;
}

int SCardUpdateBin(DeviceContext *hDev, uint64_t fileId, uint64_t offset, const uint8_t *source, uint64_t length) {
    if (source == nullptr || length == 0) return 0;
    const uint16_t id = static_cast<uint16_t>(fileId);
    if (id != TOKEN_FID_CURRENT && !Select(hDev, id)) return 0;
    uint16_t at = static_cast<uint16_t>(offset);
    while (length > 0) {
        const uint8_t n = static_cast<uint8_t>(std::min<uint64_t>(length, kChunk));
        FileExchange x;
        PutHeader(x.command, 0x00, 0xD0, at, n);
        std::memcpy(x.command + 5, source, n);
        // Chunks already written stay written: the key has no transaction.
        if (x.Send(hDev, 5u + n) != SW_SUCCESS) return 0;
        at = static_cast<uint16_t>(at + n);
        source += n;
        length -= n;
    }
    return 1;
}

int SCardCreateFile(DeviceContext *hDev, uint16_t fileId, const uint8_t *parameters, uint8_t parameterLength) {
    return fpdevice::CreateFileStatus(hDev, fileId, parameters, parameterLength) == SW_SUCCESS ? 1 : 0;
}

int SCardEraseEF(DeviceContext *hDev, uint16_t fileId) {
    return fpdevice::EraseFileStatus(hDev, fileId) == SW_SUCCESS ? 1 : 0;
}

uint64_t token_get_current_fid(DeviceContext *hDev, uint16_t *number) {
    if (number == nullptr) return TOKEN_ERR_NEXT_RECORD;
    uint8_t bytes[2];
    if (!SCardReadBin(hDev, TOKEN_FID_NEXT_RECORD, 1, bytes, 2)) return TOKEN_ERR_NEXT_RECORD;
    uint16_t next = static_cast<uint16_t>(bytes[0] | bytes[1] << 8);  // stored low byte first
    // Number 504 would give file id 0x3F00, the master file: skip it.
    if (fpdevice::TemplateFileId(next) == fpdevice::kMasterFileId) ++next;
    *number = next;
    return 0;
}

uint64_t token_set_next_fid(DeviceContext *hDev, uint16_t number) {
    const uint8_t bytes[2] = {static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8)};
    return SCardUpdateBin(hDev, TOKEN_FID_NEXT_RECORD, 1, bytes, 2) ? 0 : TOKEN_ERR_NEXT_RECORD;
}
}
