#include "served_card.h"

#include "hxkmgr.h"

namespace simkey::vpcd {
namespace {

constexpr uint16_t kNoDiagnosis = 0x6F00;
// Category 0x80, then a COMPACT-TLV object "card issuer's data" (tag 5, 5 bytes).
constexpr uint8_t kHistoricalBytes[] = {0x80, 0x55, 'f', 'p', 'k', 'e', 'y'};
constexpr size_t kAnswerCapacity = 4096;

}  // namespace

std::vector<uint8_t> fpkeyAtr(bool t0) {
    const auto historical = static_cast<uint8_t>(sizeof kHistoricalBytes);
    if (t0) {
        // No interface bytes: T=0 only, and no check byte.
        std::vector<uint8_t> atr{0x3B, historical};
        atr.insert(atr.end(), std::begin(kHistoricalBytes), std::end(kHistoricalBytes));
        return atr;
    }
    // TD1 announces T=1 and nothing else; T=1 makes the check byte TCK due.
    std::vector<uint8_t> atr{0x3B, static_cast<uint8_t>(0x80 | historical), 0x01};
    atr.insert(atr.end(), std::begin(kHistoricalBytes), std::end(kHistoricalBytes));
    uint8_t check = 0;
    for (size_t i = 1; i < atr.size(); ++i) {
        check ^= atr[i];
    }
    atr.push_back(check);
    return atr;
}

ServedCard::ServedCard(const std::string &address, std::chrono::milliseconds wait)
    : address_(address), t0_(address.starts_with("sim-t0")), atr_(fpkeyAtr(t0_)) {
    if (!address.starts_with("sim")) {
        throw ServeFailure("'" + address + "' is not a simulated key");
    }
    // The connection that holds the key sends nothing; each session's own
    // connection shares the hold, which stays while sessions come and go.
    if (HXKeyConnect(address.c_str(), HXKEY_SHARE_EXCLUSIVE, static_cast<uint32_t>(wait.count()), &hold_) != 0) {
        throw ServeFailure("cannot serve the key '" + address + "': " + HXKeyLastError());
    }
}

ServedCard::~ServedCard() {
    HXKeyClose(&session_);
    HXKeyClose(&hold_);
}

void ServedCard::endSession() {
    std::lock_guard guard(mutex_);
    HXKeyClose(&session_);
}

int ServedCard::lastImage(uint64_t *lines, uint64_t *lineBytes, uint8_t *pixels, size_t capacity) {
    std::lock_guard guard(mutex_);
    DeviceContext *key = session();
    return key ? HXSimLastImage(key, lines, lineBytes, pixels, capacity) : -1;
}

DeviceContext *ServedCard::session() {
    if (session_.state != FP_DEVICE_STATE_READY &&
        HXKeyConnect(address_.c_str(), HXKEY_SHARE_EXCLUSIVE, 0, &session_) != 0) {
        return nullptr;
    }
    return &session_;
}

std::vector<uint8_t> ServedCard::answer(std::span<const uint8_t> command, std::string *problem) {
    std::lock_guard guard(mutex_);
    std::vector<uint8_t> response(kAnswerCapacity);
    uint64_t length = response.size();
    DeviceContext *key = session();
    const int result =
        key ? Icc_tsi_apiHxDev(key->keyManagerHandle, command.size(), command.data(), &length, response.data()) : -1;
    const auto status = static_cast<uint32_t>(result);
    // A code wider than a status word is the key manager's own failure.
    const uint16_t statusWord = status > 0xFFFF ? kNoDiagnosis : static_cast<uint16_t>(status);
    if (status > 0xFFFF) {
        *problem = HXKeyLastError();
    }
    if (statusWord != SW_SUCCESS) {
        length = 0;
    }
    response.resize(length);
    response.push_back(static_cast<uint8_t>(statusWord >> 8));
    response.push_back(static_cast<uint8_t>(statusWord));
    return response;
}

}  // namespace simkey::vpcd
