// Logs a user in through pam_fpkey.so as an application would: a private
// PAM configuration folder (pam_start_confdir) and a scripted conversation
// that places fingers on the simulated key's sensor and types PINs.
#ifndef FPKEY_TESTS_PAM_DRIVER_H
#define FPKEY_TESTS_PAM_DRIVER_H

#include <filesystem>
#include <string>
#include <vector>

namespace pam_test {

struct Script {
    std::string sensorAddress = {};         // sim:PATH of the key whose sensor the fingers go on
    std::vector<std::string> fingers = {};  // one per "Place your finger on the key"; then none
    std::vector<std::string> pins = {};     // one per PIN prompt; then the person cancels
};

struct LoginResult {
    int pamResult = -1;
    std::vector<std::string> messages;  // everything the module said, prompts included
    int fingerRequests = 0;

    bool Said(const std::string &part) const;
};

// Writes `folder`/fpkey-test with one auth line for the module and `arguments`,
// then runs pam_authenticate for `user`.
LoginResult LogIn(const std::filesystem::path &folder, const std::string &arguments, const std::string &user,
                  const Script &script);

}  // namespace pam_test

#endif
