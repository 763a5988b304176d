#include "pam_driver.h"

#include <security/pam_appl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "hxkmgr.h"

namespace pam_test {
namespace {

struct Conversation {
    const Script *script;
    LoginResult *result;
    DeviceContext sensor{};
    size_t nextFinger = 0;
    size_t nextPin = 0;
};

// Each message gets its answer; the PIN answer is malloc'ed, as PAM frees it.
int Converse(int count, const pam_message **messages, pam_response **responses, void *data) {
    auto &conversation = *static_cast<Conversation *>(data);
    auto *answers = static_cast<pam_response *>(std::calloc(static_cast<size_t>(count), sizeof(pam_response)));
    for (int i = 0; i < count; ++i) {
        const std::string text = messages[i]->msg ? messages[i]->msg : "";
        conversation.result->messages.push_back(text);
        if (messages[i]->msg_style == PAM_PROMPT_ECHO_OFF) {
            if (conversation.nextPin == conversation.script->pins.size()) {
                std::free(answers);
                return PAM_CONV_ERR;
            }
            answers[i].resp = strdup(conversation.script->pins[conversation.nextPin++].c_str());
        } else if (text == "Place your finger on the key") {
            ++conversation.result->fingerRequests;
            if (conversation.nextFinger < conversation.script->fingers.size()) {
                HXSimPlaceFinger(&conversation.sensor, conversation.script->fingers[conversation.nextFinger++].c_str());
            } else {
                HXSimLiftFinger(&conversation.sensor);
            }
        }
    }
    *responses = answers;
    return PAM_SUCCESS;
}

}  // namespace

bool LoginResult::Said(const std::string &part) const {
    return std::any_of(messages.begin(), messages.end(),
                       [&](const std::string &text) { return text.find(part) != std::string::npos; });
}

LoginResult LogIn(const std::filesystem::path &folder, const std::string &arguments, const std::string &user,
                  const Script &script) {
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "fpkey-test") << "auth required " << PAM_FPKEY_MODULE << " " << arguments << "\n";
    LoginResult result;
    Conversation conversation{.script = &script, .result = &result};
    if (!script.sensorAddress.empty()) {
        HXKeyConnect(script.sensorAddress.c_str(), HXKEY_SHARE_DIRECT, 0, &conversation.sensor);
    }
    const pam_conv pamConversation{Converse, &conversation};
    pam_handle_t *pamh = nullptr;
    result.pamResult = pam_start_confdir("fpkey-test", user.c_str(), &pamConversation, folder.c_str(), &pamh);
    if (result.pamResult == PAM_SUCCESS) {
        result.pamResult = pam_authenticate(pamh, 0);
        pam_end(pamh, result.pamResult);
    }
    HXKeyClose(&conversation.sensor);
    return result;
}

}  // namespace pam_test
