#include "conversation.h"

#include <cstdlib>
#include <cstring>

namespace pam_fpkey {
namespace {

const pam_conv *ConversationOf(pam_handle_t *pamh) {
    const void *item = nullptr;
    if (pam_get_item(pamh, PAM_CONV, &item) != PAM_SUCCESS || item == nullptr) return nullptr;
    const auto *conversation = static_cast<const pam_conv *>(item);
    return conversation->conv != nullptr ? conversation : nullptr;
}

// One message; the answers the application returns (one per message) are
// handed back for the caller to read and release.
int Exchange(pam_handle_t *pamh, int style, const std::string &text, pam_response **answers) {
    const pam_conv *conversation = ConversationOf(pamh);
    if (conversation == nullptr) return PAM_CONV_ERR;
    pam_message message{.msg_style = style, .msg = text.c_str()};
    const pam_message *messages[] = {&message};
    *answers = nullptr;
    return conversation->conv(1, messages, answers, conversation->appdata_ptr);
}

void ReleaseAnswers(pam_response *answers) {
    if (answers == nullptr) return;
    if (answers[0].resp != nullptr) {
        explicit_bzero(answers[0].resp, std::strlen(answers[0].resp));
        std::free(answers[0].resp);
    }
    std::free(answers);
}

}  // namespace

SecretPin::~SecretPin() { explicit_bzero(bytes_, sizeof bytes_); }

bool SecretPin::Assign(const char *text) {
    explicit_bzero(bytes_, sizeof bytes_);
    length_ = 0;
    const size_t length = strnlen(text, kLongest + 1);
    if (length > kLongest) return false;
    std::memcpy(bytes_, text, length);
    length_ = static_cast<uint8_t>(length);
    return true;
}

void Conversation::Send(int style, const std::string &text) {
    if (silent_) return;
    pam_response *answers = nullptr;
    Exchange(pamh_, style, text, &answers);
    ReleaseAnswers(answers);
}

Answer Conversation::AskPin(const std::string &prompt, SecretPin *pin) {
    pam_response *answers = nullptr;
    const int result = Exchange(pamh_, PAM_PROMPT_ECHO_OFF, prompt, &answers);
    Answer answer = Answer::kFailed;
    if (result == PAM_SUCCESS && answers != nullptr && answers[0].resp != nullptr) {
        answer = pin->Assign(answers[0].resp) ? Answer::kGiven : Answer::kTooLong;
    }
    ReleaseAnswers(answers);
    return answer;
}

}  // namespace pam_fpkey
