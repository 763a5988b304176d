#include "pcsc_connection.h"

#include <array>
#include <cstring>
#include <thread>

#include "pcsc_errors.h"
#include "pcsc_library.h"

namespace hxkmgr {
namespace {

using Outcome = pcsc::Exchange::Outcome;

constexpr auto kRetryInterval = std::chrono::milliseconds(20);
constexpr DWORD kProtocols = SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1;
// Our own protocol records: those libpcsclite exports share their names
// with the device API's, and either may win the lookup.
constexpr SCARD_IO_REQUEST kT0Record{SCARD_PROTOCOL_T0, sizeof(SCARD_IO_REQUEST)};
constexpr SCARD_IO_REQUEST kT1Record{SCARD_PROTOCOL_T1, sizeof(SCARD_IO_REQUEST)};

static_assert(SCARD_PROTOCOL_T0 == 1 && SCARD_PROTOCOL_T1 == 2, "the device API reads the PC/SC protocol values");

DWORD shareOf(pcsc::Share share) {
    return share == pcsc::Share::exclusive ? SCARD_SHARE_EXCLUSIVE : SCARD_SHARE_SHARED;
}

std::string seconds(std::chrono::milliseconds wait) {
    const auto tenths = wait.count() / 100;
    return std::to_string(tenths / 10) + (tenths % 10 ? "." + std::to_string(tenths % 10) : "") + " s";
}

pcsc::Exchange failure(Outcome outcome, std::string problem) { return {outcome, 0, std::move(problem)}; }

}  // namespace

PcscConnection::PcscConnection(const std::string &wanted, pcsc::Share share, std::chrono::milliseconds wait)
    : share_(share) {
    const auto readers = readerStatuses(context_);
    const pcsc::Reader &chosen = chooseReader(readers, wanted);
    reader_ = chosen.name;
    if (share == pcsc::Share::direct) {
        return;
    }
    if (!chosen.cardPresent) {
        throw pcsc::Failure(pcscProblem(SCARD_E_NO_SMARTCARD, reader_));
    }
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        DWORD active = 0;
        const LONG result =
            pcscLibrary().connect(context_.get(), reader_.c_str(), shareOf(share), kProtocols, &card_, &active);
        if (result == SCARD_S_SUCCESS) {
            connected_ = true;
            protocol_ = active;
            return;
        }
        if (result != SCARD_E_SHARING_VIOLATION) {
            throw pcsc::Failure(pcscProblem(result, reader_));
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            throw pcsc::KeyBusy("key busy: another program has the key in reader \"" + reader_ + "\" open (waited " +
                                seconds(wait) + ")");
        }
        std::this_thread::sleep_for(kRetryInterval);
    }
}

PcscConnection::~PcscConnection() {
    if (connected_) {
        // An exclusive connection leaves no authentication behind for the
        // next program, as a simulated key's connection does; resetting under
        // shared readers would break their exchanges, so they leave the card.
        pcscLibrary().disconnect(card_, share_ == pcsc::Share::exclusive ? SCARD_RESET_CARD : SCARD_LEAVE_CARD);
    }
}

pcsc::Exchange PcscConnection::exchange(std::span<const uint8_t> command, uint8_t *response, uint64_t capacity,
                                        uint64_t *responseLength) {
    std::lock_guard guard(mutex_);
    *responseLength = 0;
    if (!connected_) {
        return failure(Outcome::noCard,
                       "this connection holds no card; connect exclusively or shared to send the key commands");
    }
    // Data and status bytes of the longest short answer, with room to spare.
    std::array<uint8_t, MAX_BUFFER_SIZE> answer{};
    DWORD length = answer.size();
    const LONG result =
        pcscLibrary().transmit(card_, protocol_ == SCARD_PROTOCOL_T0 ? &kT0Record : &kT1Record, command.data(),
                               static_cast<DWORD>(command.size()), nullptr, answer.data(), &length);
    if (result == SCARD_W_RESET_CARD) {
        return reconnectAfterReset();
    }
    if (result != SCARD_S_SUCCESS) {
        return failure(Outcome::transportFailure, pcscProblem(result, reader_));
    }
    if (length < 2) {
        return failure(Outcome::transportFailure, "the card in reader \"" + reader_ + "\" answered " +
                                                      std::to_string(length) + " bytes, without a status word");
    }
    const uint64_t dataLength = length - 2;
    if (dataLength > capacity || (!response && dataLength > 0)) {
        return failure(Outcome::doesNotFit, "the answer holds " + std::to_string(dataLength) +
                                                " bytes of data, the buffer " + std::to_string(capacity));
    }
    if (dataLength > 0) {
        std::memcpy(response, answer.data(), dataLength);
    }
    *responseLength = dataLength;
    return {Outcome::answered, static_cast<uint16_t>(answer[length - 2] << 8 | answer[length - 1]), {}};
}

// The exchange that met the reset did not reach the key, and the key's
// authentication went with the reset: the exchange fails, the connection
// stays usable.
pcsc::Exchange PcscConnection::reconnectAfterReset() {
    DWORD active = 0;
    const LONG result = pcscLibrary().reconnect(card_, shareOf(share_), kProtocols, SCARD_LEAVE_CARD, &active);
    if (result != SCARD_S_SUCCESS) {
        return failure(Outcome::transportFailure, pcscProblem(SCARD_W_RESET_CARD, reader_) +
                                                      "; reconnecting failed: " + pcscProblem(result, reader_));
    }
    protocol_ = active;
    return failure(Outcome::transportFailure, pcscProblem(SCARD_W_RESET_CARD, reader_));
}

}  // namespace hxkmgr
