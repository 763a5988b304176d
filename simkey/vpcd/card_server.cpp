#include "card_server.h"

#include <poll.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "vpcd_link.h"

namespace simkey::vpcd {
namespace {

constexpr uint8_t kPowerOff = 0;
constexpr uint8_t kPowerOn = 1;
constexpr uint8_t kReset = 2;
constexpr uint8_t kSendAtr = 4;
constexpr int kReconnectIntervalMs = 100;
constexpr uint8_t kVerify = 0x20;

std::string hex(std::span<const uint8_t> bytes) {
    std::string text;
    char digits[4];
    for (const uint8_t byte : bytes) {
        std::snprintf(digits, sizeof digits, text.empty() ? "%02X" : " %02X", byte);
        text += digits;
    }
    return text;
}

// A command APDU as the trace shows it: the data of VERIFY (the user's PIN) masked.
std::string traced(const std::vector<uint8_t> &command) {
    constexpr size_t kHeader = 5;
    if (command.size() <= kHeader || command[1] != kVerify) {
        return hex(command);
    }
    std::string text = hex({command.data(), kHeader});
    for (size_t i = kHeader; i < command.size(); ++i) text += " **";
    return text;
}

// Waits up to timeoutMs (-1: for ever) for the link or the stop; true when stopped.
bool stopped(int stopDescriptor, int linkDescriptor, int timeoutMs) {
    pollfd watched[2] = {{stopDescriptor, POLLIN, 0}, {linkDescriptor, POLLIN, 0}};
    for (;;) {
        if (::poll(watched, linkDescriptor >= 0 ? 2 : 1, timeoutMs) >= 0) {
            return (watched[0].revents & POLLIN) != 0;
        }
        if (errno != EINTR) {
            return true;  // cannot wait at all: stopping beats spinning
        }
    }
}

}  // namespace

void CardServer::run(int stopDescriptor) {
    bool waiting = false;
    for (;;) {
        std::string problem;
        auto link = VpcdLink::connect(options_.port, &problem);
        if (!link) {
            if (!waiting) {
                options_.log("waiting for the vpcd reader driver on port " + std::to_string(options_.port) +
                             " (pcscd with vsmartcard-vpcd): " + problem);
                waiting = true;
            }
            if (stopped(stopDescriptor, -1, kReconnectIntervalMs)) {
                return;
            }
            continue;
        }
        waiting = false;
        bool inserted = false;
        const bool stop = serve(*link, stopDescriptor, inserted);
        // Out of the reader, the card loses its session like any other.
        card_.endSession();
        if (stop) {
            return;
        }
        if (inserted) {
            options_.log("the vpcd reader went away (pcscd stopped?); reconnecting");
        }
    }
}

bool CardServer::serve(VpcdLink &link, int stopDescriptor, bool &inserted) {
    for (;;) {
        if (stopped(stopDescriptor, link.descriptor(), -1)) {
            return true;
        }
        auto message = link.receive();
        if (!message) {
            // Whether pcscd saw the reader empty since is anybody's guess.
            emptyShown_ = emptyShown_ && !inserted;
            return false;
        }
        // pcscd learns of a card through the driver's presence checks (ATR
        // requests). A card served again before a check found the reader
        // empty would inherit the reader's state, a failed reset included,
        // and might never be taken up. So the first check after a break
        // finds no card (the link closes unanswered); the card comes back on
        // the next link as a fresh insertion.
        if (!emptyShown_ && message->size() == 1 && (*message)[0] == kSendAtr) {
            emptyShown_ = true;
            return false;
        }
        if (!inserted) {
            inserted = true;
            options_.log("card inserted into the vpcd reader on port " + std::to_string(options_.port));
        }
        handle(link, *message);
        // A command may carry the user's PIN.
        explicit_bzero(message->data(), message->size());
    }
}

void CardServer::handle(VpcdLink &link, const std::vector<uint8_t> &message) {
    if (message.size() == 1) {
        switch (message[0]) {
            case kPowerOff:
            case kPowerOn:
            case kReset:
                if (options_.trace) {
                    options_.log(message[0] == kPowerOff ? "power off" : message[0] == kPowerOn ? "power on" : "reset");
                }
                card_.endSession();
                return;
            case kSendAtr:
                // Presence checks come every fraction of a second: not traced.
                link.send(card_.atr());
                return;
            default: options_.log("unknown control message " + hex(message) + " ignored"); return;
        }
    }
    if (options_.trace) {
        options_.log("> " + traced(message));
    }
    std::string problem;
    const auto response = card_.answer(message, &problem);
    if (options_.trace) {
        options_.log("< " + hex(response) + (problem.empty() ? "" : " (" + problem + ")"));
    }
    link.send(response);
}

}  // namespace simkey::vpcd
