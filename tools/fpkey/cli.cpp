#include "cli.h"

#include <cstdio>
#include <iostream>

#include "fpdevice/transport.h"
#include "json_keys.h"
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
    std::string error;
    try {
        command();
        exitStatus = 0;
    } catch (const DeviceFailure &failure) {
        result_["operation"] = failure.operation;
        result_["result"] = Hex(failure.code, 8);
        result_["meaning"] = ResultMeaning(failure.code);
        error = failure.operation + " failed: " + DescribeResult(failure.code);
        exitStatus = 1;
    } catch (const Refusal &refusal) {
        error = refusal.message;
        exitStatus = 1;
    } catch (const UsageFailure &failure) {
        error = failure.message;
        exitStatus = 2;
    }
    result_["ok"] = exitStatus == 0;
    if (exitStatus != 0) result_["error"] = error;
    if (json) {
        std::cout << SnakeCaseKeys(result_).dump(2) << '\n';
    } else if (exitStatus != 0) {
        std::cerr << "fpkey: " << error << '\n';
    }
}

std::string Hex(uint64_t value, int digits) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%0*llX", digits, static_cast<unsigned long long>(value));
    return text;
}

}  // namespace fpkey
