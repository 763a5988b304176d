#include "cli.h"

#include <cstdio>
#include <iostream>

#include "fpdevice/transport.h"
#include "result_meaning.h"

namespace fpkey {

KeySession &Cli::Key() {
    if (!key_) {
        std::string error;
        key_ = KeySession::Open(deviceAddress, share_, waitSeconds, &error);
        if (!key_) throw UsageFailure{error};
    }
    return *key_;
}

void Cli::Authenticate() {
    if (authenticated_ || skipAuthentication) return;
    Check("external authentication", HXSCardAuthBio(Device()));
    authenticated_ = true;
}

void Cli::Check(const std::string &operation, uint64_t code) {
    if (code != 0) throw DeviceFailure{operation, code};
}

void Cli::Say(const std::string &line) {
    if (!json) std::cout << line << '\n' << std::flush;
}

void Cli::Run(const std::function<void()> &command) {
    int status = 0;
    try {
        command();
        result_["ok"] = true;
    } catch (const DeviceFailure &failure) {
        result_["ok"] = false;
        result_["operation"] = failure.operation;
        result_["result"] = Hex(failure.code, 8);
        result_["meaning"] = ResultMeaning(failure.code);
        if (!json) std::cerr << "fpkey: " << failure.operation << " failed: " << DescribeResult(failure.code) << '\n';
        status = 1;
    } catch (const UsageFailure &failure) {
        result_["ok"] = false;
        result_["error"] = failure.message;
        if (!json) std::cerr << "fpkey: " << failure.message << '\n';
        status = 2;
    }
    if (json) std::cout << result_.dump(2) << '\n';
    exitStatus = status;
}

std::string Hex(uint64_t value, int digits) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%0*llX", digits, static_cast<unsigned long long>(value));
    return text;
}

}  // namespace fpkey
