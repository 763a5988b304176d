// One connection to a key behind PC/SC. An exclusive connection owns the
// key for its whole life, as an operation of several commands (an
// enrolment) needs; a shared one admits other shared ones; a direct one
// holds no card and sends nothing. Exchanges on one connection are
// serialised.
#ifndef HXKMGR_PCSC_CONNECTION_H
#define HXKMGR_PCSC_CONNECTION_H

#include <chrono>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>

#include <winscard.h>

#include "pcsc_backend.h"
#include "pcsc_readers.h"

namespace hxkmgr {

class PcscConnection {
public:
    // Connects to the key in the reader `wanted` names (chooseReader), waiting
    // up to `wait` while another program holds it; throws pcsc::KeyBusy then,
    // pcsc::Failure for anything else.
    PcscConnection(const std::string &wanted, pcsc::Share share, std::chrono::milliseconds wait);
    ~PcscConnection();
    PcscConnection(const PcscConnection &) = delete;
    PcscConnection &operator=(const PcscConnection &) = delete;

    uint64_t protocol() const { return protocol_; }

    // One transmit: the status word from the last two bytes of the answer,
    // the data before them into `response` within `capacity`.
    pcsc::Exchange exchange(std::span<const uint8_t> command, uint8_t *response, uint64_t capacity,
                            uint64_t *responseLength);

private:
    pcsc::Exchange reconnectAfterReset();

    std::mutex mutex_;
    PcscContext context_;
    std::string reader_;
    pcsc::Share share_;
    SCARDHANDLE card_ = 0;
    bool connected_ = false;
    uint64_t protocol_ = 0;
};

}  // namespace hxkmgr

#endif
