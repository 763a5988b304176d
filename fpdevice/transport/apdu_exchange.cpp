// One APDU exchange with the key through the key manager, with the single
// GET RESPONSE for 0x61xx answers and the single retry on transmit result 1117.
#include <cstring>

#include "fpdevice/transport.h"
#include "hxkmgr.h"

namespace {

// Capacity announced to the key manager; the buffer it writes into is at
// least this large, so no key manager can overrun it.
constexpr uint64_t kAnnouncedCapacity = 4096;
// Largest data field a short response can carry.
constexpr uint64_t kShortResponseMax = 256;
// Data plus status bytes of one transmit, collected by SCardAPDU.
constexpr uint64_t kExchangeBufferSize = 8192;

bool IsUsableHandle(const DeviceContext *hDev) {
    return hDev != nullptr && reinterpret_cast<uintptr_t>(hDev) != ~static_cast<uintptr_t>(0);
}

}  // namespace

extern "C" {

uint64_t SCardTransmit(uint64_t keyManagerHandle, const SCardIoRequest * /*sendPci*/, const uint8_t *command,
                       uint64_t commandLength, SCardIoRequest * /*recvPci*/, uint8_t *receive,
                       uint64_t *receiveLength) {
    uint8_t data[kAnnouncedCapacity];
    std::memset(data, 0, kShortResponseMax);
    uint64_t dataLength = kAnnouncedCapacity;
    const int result = Icc_tsi_apiHxDev(keyManagerHandle, commandLength, command, &dataLength, data);
    const uint32_t status = static_cast<uint32_t>(result);
    // A wide result is some failure code of the key manager; should its low
    // half look like success or like data waiting, reading it as a status
    // word would report a failed command as done.
    const uint16_t lowHalf = static_cast<uint16_t>(status);
    if (status > 0xFFFFu && (lowHalf == SW_SUCCESS || (lowHalf & 0xFF00u) == SW_MORE_DATA_BASE)) {
        *receiveLength = 0;
        return SCARD_TRANSMIT_NOT_A_STATUS;
    }
    if (status == SW_SUCCESS) {
        // An answer no short response can carry is a broken transport, not
        // data: refusing it here keeps every caller's buffer safe.
        if (dataLength > kShortResponseMax) {
            *receiveLength = 0;
            return SCARD_TRANSMIT_OVERSIZE;
        }
        std::memcpy(receive, data, dataLength);
        receive[dataLength] = static_cast<uint8_t>(status >> 8);
        receive[dataLength + 1] = static_cast<uint8_t>(status);
        *receiveLength = dataLength + 2;
    } else {
        // Only the low 16 bits count as SW1 SW2; data sent along is dropped.
        receive[0] = static_cast<uint8_t>(status >> 8);
        receive[1] = static_cast<uint8_t>(status);
        *receiveLength = 2;
    }
    return 0;
}

uint32_t SCardAPDU(DeviceContext *hDev, uint8_t *command, uint64_t commandLength, uint8_t *response,
                   uint64_t *responseLength) {
    if (responseLength == nullptr) return SW_TRANSPORT_FAILURE;
    *responseLength = 0;
    if (!IsUsableHandle(hDev) || command == nullptr || response == nullptr) return SW_TRANSPORT_FAILURE;
    if (hDev->state != FP_DEVICE_STATE_READY) return SW_TRANSPORT_FAILURE;

    uint8_t exchange[kExchangeBufferSize];
    // One counter for both the retry and the GET RESPONSE: at most two
    // transmits per call, so a key that keeps answering 0x61xx cannot loop us.
    unsigned exchanges = 0;
    uint32_t statusWord = 0;
    for (;;) {
        uint64_t length = kExchangeBufferSize;
        const SCardIoRequest *pci = hDev->activeProtocol == 1 ? &g_rgSCardT0Pci : &g_rgSCardT1Pci;
        const uint64_t transmitted =
            SCardTransmit(hDev->keyManagerHandle, pci, command, commandLength, nullptr, exchange, &length);
        if (transmitted == SCARD_TRANSMIT_RETRY && exchanges == 0) {
            ++exchanges;
            continue;
        }
        if (transmitted != 0) return SW_TRANSPORT_FAILURE;
        if (length >= 2) {
            statusWord = static_cast<uint32_t>(exchange[length - 2] << 8 | exchange[length - 1]);
            length -= 2;
            std::memcpy(response, exchange, length);
            *responseLength = length;
        }
        if ((statusWord & 0xFF00u) == SW_MORE_DATA_BASE && exchanges == 0) {
            // GET RESPONSE is built in the caller's command buffer (at least 5 bytes).
            command[0] = 0x00;
            command[1] = 0xC0;
            command[2] = 0x00;
            command[3] = 0x00;
            command[4] = static_cast<uint8_t>(statusWord);
            commandLength = 5;
            ++exchanges;
            continue;
        }
        return statusWord;
    }
}
}
