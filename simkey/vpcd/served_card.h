// The simulated key as a card in a reader. Its card operating system is
// the one behind the key manager's "sim" addresses, with the same state
// file, so the sensor controls (fpkey sim touch, lift, inject, status) act
// on the served key from any other program. The key is held exclusively for
// as long as it is served, as a card belongs to the reader it sits in; a
// session (external authentication, the selected file) lasts from one
// power-up or reset to the next, as on a real card.
#ifndef SIMKEY_VPCD_SERVED_CARD_H
#define SIMKEY_VPCD_SERVED_CARD_H

#include <chrono>
#include <cstdint>
#include <mutex>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "fpdevice/transport.h"

namespace simkey::vpcd {

class ServeFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ServedCard {
public:
    // `address` is a simulated key's ("sim:PATH"; "sim-t0:PATH" serves it as
    // T=0, answers with data coming through 61xx and GET RESPONSE). Waits up
    // to `wait` while another program holds the key; throws ServeFailure.
    ServedCard(const std::string &address, std::chrono::milliseconds wait);
    ~ServedCard();
    ServedCard(const ServedCard &) = delete;
    ServedCard &operator=(const ServedCard &) = delete;

    bool talksT0() const { return t0_; }
    // The answer to reset: T=1 (or T=0) and historical bytes naming fpkey.
    const std::vector<uint8_t> &atr() const { return atr_; }

    // Power off, power on and reset all end the session.
    void endSession();
    // The response APDU (data, SW1, SW2) to a command APDU; *problem is set
    // when the key manager gave a reason of its own.
    std::vector<uint8_t> answer(std::span<const uint8_t> command, std::string *problem);
    // HXSimLastImage on the session, where the image downloaded in it lives.
    int lastImage(uint64_t *lines, uint64_t *lineBytes, uint8_t *pixels, size_t capacity);

private:
    // The session's connection to the key, opened when missing; null when it cannot be.
    DeviceContext *session();

    std::mutex mutex_;  // a server thread answers while others may ask for the image
    std::string address_;
    bool t0_;
    std::vector<uint8_t> atr_;
    DeviceContext hold_{};
    DeviceContext session_{};
};

// The answer to reset of the served key.
std::vector<uint8_t> fpkeyAtr(bool t0);

}  // namespace simkey::vpcd

#endif
