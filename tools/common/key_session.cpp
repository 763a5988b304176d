#include "key_session.h"

#include <cmath>

#include "hxkmgr.h"

namespace fpkey {
namespace {

int ShareModeOf(KeyShare share) {
    switch (share) {
        case KeyShare::shared: return HXKEY_SHARE_SHARED;
        case KeyShare::direct: return HXKEY_SHARE_DIRECT;
        case KeyShare::exclusive: break;
    }
    return HXKEY_SHARE_EXCLUSIVE;
}

}  // namespace

std::unique_ptr<KeySession> KeySession::Open(const std::string &address, std::string *error) {
    return Open(address, KeyShare::exclusive, HXKEY_DEFAULT_WAIT_MS / 1000.0, error);
}

std::unique_ptr<KeySession> KeySession::Open(const std::string &address, KeyShare share, double waitSeconds,
                                             std::string *error) {
    const std::string chosen = address.empty() ? HXKeyDefaultAddress() : address;
    std::unique_ptr<KeySession> session(new KeySession(chosen));
    const auto wait = static_cast<uint32_t>(std::lround(std::fmax(0.0, waitSeconds) * 1000.0));
    if (HXKeyConnect(chosen.c_str(), ShareModeOf(share), wait, &session->context_) != 0) {
        *error = "cannot open key '" + chosen + "': " + HXKeyLastError();
        return nullptr;
    }
    return session;
}

KeySession::~KeySession() { HXKeyClose(&context_); }

}  // namespace fpkey
