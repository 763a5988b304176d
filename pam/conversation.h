// What the module says to the person and asks of them, through the
// application's PAM conversation.
#ifndef PAM_FPKEY_CONVERSATION_H
#define PAM_FPKEY_CONVERSATION_H

#include <security/pam_modules.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace pam_fpkey {

// A PIN as typed, in a fixed buffer that is wiped when it goes.
class SecretPin {
public:
    static constexpr size_t kLongest = 16;

    SecretPin() = default;
    ~SecretPin();
    SecretPin(const SecretPin &) = delete;
    SecretPin &operator=(const SecretPin &) = delete;

    // False, keeping nothing, when text is longer than kLongest bytes.
    bool Assign(const char *text);
    const uint8_t *bytes() const { return bytes_; }
    uint8_t length() const { return length_; }

private:
    uint8_t bytes_[kLongest] = {};
    uint8_t length_ = 0;
};

// "2 attempts left on the key", after a wrong finger or PIN.
inline std::string AttemptsLeft(unsigned left) {
    return std::to_string(left) + (left == 1 ? " attempt" : " attempts") + " left on the key";
}

enum class Answer { kGiven, kTooLong, kFailed };

class Conversation {
public:
    // A silent conversation (PAM_SILENT) shows no messages; it still asks.
    Conversation(pam_handle_t *pamh, bool silent) : pamh_(pamh), silent_(silent) {}

    // Messages are shown as far as the application can; one it cannot show
    // does not stop the login, since the key itself needs no answer.
    void Inform(const std::string &text) { Send(PAM_TEXT_INFO, text); }
    void Warn(const std::string &text) { Send(PAM_ERROR_MSG, text); }
    // Asks without echo. kFailed when the application has no conversation,
    // the person cancelled or no answer came back; the application's copy of
    // the answer is wiped before it is freed.
    Answer AskPin(const std::string &prompt, SecretPin *pin);

private:
    void Send(int style, const std::string &text);

    pam_handle_t *pamh_;
    bool silent_;
};

}  // namespace pam_fpkey

#endif
