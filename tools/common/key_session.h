// An open key for the length of one tool run.
#ifndef FPKEY_TOOLS_KEY_SESSION_H
#define FPKEY_TOOLS_KEY_SESSION_H

#include <memory>
#include <string>

#include "fpdevice/transport.h"

namespace fpkey {

// How the run shares the key with other programs (the HXKEY_SHARE_ modes).
enum class KeyShare { exclusive, shared, direct };

class KeySession {
public:
    // Opens the key at `address` (empty: $FPKEY_DEVICE, else "sim"),
    // exclusively and waiting as long as HXKeyOpen does.
    // Returns null and fills *error when it cannot.
    static std::unique_ptr<KeySession> Open(const std::string &address, std::string *error);
    // The same with a share mode and the seconds to wait while another
    // program holds the key.
    static std::unique_ptr<KeySession> Open(const std::string &address, KeyShare share, double waitSeconds,
                                            std::string *error);
    ~KeySession();
    KeySession(const KeySession &) = delete;
    KeySession &operator=(const KeySession &) = delete;

    DeviceContext *handle() { return &context_; }
    const std::string &address() const { return address_; }
    // A simulated key has a virtual sensor the tools can drive.
    bool simulated() const { return address_.rfind("sim", 0) == 0; }

private:
    explicit KeySession(std::string address) : address_(std::move(address)) {}
    std::string address_;
    DeviceContext context_{};
};

}  // namespace fpkey

#endif
