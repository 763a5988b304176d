// The TCP link to the virtual reader driver of vsmartcard (vpcd), which a
// pcscd loads and which waits for its card on a local port. Each message is
// a 2-byte big-endian length and the payload.
#ifndef SIMKEY_VPCD_VPCD_LINK_H
#define SIMKEY_VPCD_VPCD_LINK_H

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace simkey::vpcd {

class VpcdLink {
public:
    // Connects to the driver on 127.0.0.1:port; nullopt while nothing listens
    // there (pcscd not running, or its reader not loaded yet). *problem tells why.
    static std::optional<VpcdLink> connect(uint16_t port, std::string *problem);
    VpcdLink(VpcdLink &&other) noexcept;
    VpcdLink &operator=(VpcdLink &&) = delete;
    VpcdLink(const VpcdLink &) = delete;
    VpcdLink &operator=(const VpcdLink &) = delete;
    ~VpcdLink();

    int descriptor() const { return socket_; }
    // The next message; nullopt when the driver closed the link or it broke.
    std::optional<std::vector<uint8_t>> receive();
    // False when the link broke.
    bool send(std::span<const uint8_t> payload);

private:
    explicit VpcdLink(int socket) : socket_(socket) {}
    bool receiveExactly(uint8_t *bytes, size_t length);

    int socket_ = -1;
};

}  // namespace simkey::vpcd

#endif
