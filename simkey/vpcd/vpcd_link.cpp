#include "vpcd_link.h"

#include <algorithm>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace simkey::vpcd {
namespace {

constexpr size_t kLengthBytes = 2;

void enable(int socket, int option) {
    const int on = 1;
    ::setsockopt(socket, IPPROTO_TCP, option, &on, sizeof on);
}

}  // namespace

std::optional<VpcdLink> VpcdLink::connect(uint16_t port, std::string *problem) {
    const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket < 0) {
        *problem = std::string("cannot make a socket: ") + std::strerror(errno);
        return std::nullopt;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(socket, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
        *problem = std::string("nothing listens on port ") + std::to_string(port) + " (" + std::strerror(errno) + ")";
        ::close(socket);
        return std::nullopt;
    }
    // The driver waits for every answer before it sends the next command:
    // small messages must go out at once, not wait to be coalesced.
    enable(socket, TCP_NODELAY);
    return VpcdLink(socket);
}

VpcdLink::VpcdLink(VpcdLink &&other) noexcept : socket_(other.socket_) { other.socket_ = -1; }

VpcdLink::~VpcdLink() {
    if (socket_ >= 0) {
        ::close(socket_);
    }
}

bool VpcdLink::receiveExactly(uint8_t *bytes, size_t length) {
    while (length > 0) {
        // The driver may write a message's length and its payload separately;
        // a delayed acknowledgement of the first write would hold back the
        // second for tens of milliseconds. Linux drops quick acknowledgements
        // again by itself, so they are asked for before every read.
        enable(socket_, TCP_QUICKACK);
        const ssize_t received = ::recv(socket_, bytes, length, 0);
        if (received < 0 && errno == EINTR) {
            continue;
        }
        if (received <= 0) {
            return false;
        }
        bytes += received;
        length -= static_cast<size_t>(received);
    }
    return true;
}

std::optional<std::vector<uint8_t>> VpcdLink::receive() {
    uint8_t header[kLengthBytes];
    if (!receiveExactly(header, sizeof header)) {
        return std::nullopt;
    }
    std::vector<uint8_t> payload(static_cast<size_t>(header[0] << 8 | header[1]));
    if (!receiveExactly(payload.data(), payload.size())) {
        return std::nullopt;
    }
    return payload;
}

bool VpcdLink::send(std::span<const uint8_t> payload) {
    if (payload.size() > 0xFFFF) {
        return false;
    }
    // One write for length and payload: one segment on the wire.
    std::vector<uint8_t> message(kLengthBytes + payload.size());
    message[0] = static_cast<uint8_t>(payload.size() >> 8);
    message[1] = static_cast<uint8_t>(payload.size());
    std::copy(payload.begin(), payload.end(), message.begin() + kLengthBytes);
    size_t sent = 0;
    while (sent < message.size()) {
        const ssize_t written = ::send(socket_, message.data() + sent, message.size() - sent, MSG_NOSIGNAL);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        sent += static_cast<size_t>(written);
    }
    return true;
}

}  // namespace simkey::vpcd
