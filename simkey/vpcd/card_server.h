// Serves a card to the vpcd reader driver: connects to it, answers its
// control messages (power off 0, power on 1, reset 2, send the ATR 4) and
// command APDUs, and connects again whenever the link breaks (pcscd or its
// reader restarted), until told to stop.
#ifndef SIMKEY_VPCD_CARD_SERVER_H
#define SIMKEY_VPCD_CARD_SERVER_H

#include <cstdint>
#include <functional>
#include <string>

#include "served_card.h"

namespace simkey::vpcd {

class VpcdLink;

struct ServeOptions {
    uint16_t port = 35963;  // the driver's port for its first reader
    bool trace = false;     // log every message and answer
    // Where the server says what it does (connected, waiting, and the trace).
    std::function<void(const std::string &)> log = [](const std::string &) {};
};

class CardServer {
public:
    CardServer(ServedCard &card, ServeOptions options) : card_(card), options_(std::move(options)) {
        if (!options_.log) options_.log = [](const std::string &) {};
    }

    // Serves until `stopDescriptor` becomes readable (a signalfd, an eventfd,
    // a pipe); a message being answered is answered first.
    void run(int stopDescriptor);

private:
    // Answers messages until the link breaks (false) or a stop comes (true);
    // `inserted` tells whether pcscd took the card up on this link.
    bool serve(VpcdLink &link, int stopDescriptor, bool &inserted);
    void handle(VpcdLink &link, const std::vector<uint8_t> &message);

    ServedCard &card_;
    ServeOptions options_;
    bool emptyShown_ = false;  // pcscd was shown the reader empty since the card last left
};

}  // namespace simkey::vpcd

#endif
