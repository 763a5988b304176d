#include "key_session.h"

#include "hxkmgr.h"

namespace fpkey {

std::unique_ptr<KeySession> KeySession::Open(const std::string &address, std::string *error) {
    const std::string chosen = address.empty() ? HXKeyDefaultAddress() : address;
    std::unique_ptr<KeySession> session(new KeySession(chosen));
    if (HXKeyOpen(chosen.c_str(), &session->context_) != 0) {
        *error = "cannot open key '" + chosen + "': " + HXKeyLastError();
        return nullptr;
    }
    return session;
}

KeySession::~KeySession() { HXKeyClose(&context_); }

}  // namespace fpkey
