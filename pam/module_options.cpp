#include "module_options.h"

#include <charconv>
#include <string_view>
#include <utility>

namespace pam_fpkey {
namespace {

constexpr unsigned kMostTries = 15;
constexpr unsigned kLongestTimeout = 3600;
constexpr std::pair<std::string_view, VerifyChoice> kModes[] = {
    {"auto", VerifyChoice::kAuto}, {"finger", VerifyChoice::kFinger}, {"pin", VerifyChoice::kPin}};

bool ParseCount(std::string_view text, unsigned lowest, unsigned highest, unsigned *value) {
    unsigned parsed = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (error != std::errc() || end != text.data() + text.size() || parsed < lowest || parsed > highest) return false;
    *value = parsed;
    return true;
}

// Only full addresses: a bare "sim" would place the simulated key by the
// caller's HOME and XDG_STATE_HOME, and a relative path by the working folder.
bool FullAddress(std::string_view address) {
    if (address == "pcsc") return true;
    if (address.starts_with("pcsc:")) return address.size() > 5;
    for (std::string_view prefix : {"sim:", "sim-t0:"}) {
        if (address.starts_with(prefix)) return address.size() > prefix.size() + 1 && address[prefix.size()] == '/';
    }
    return false;
}

bool ParseOne(std::string_view argument, ModuleOptions *options, std::string *problem) {
    const size_t equals = argument.find('=');
    const std::string_view name = argument.substr(0, equals);
    const std::string_view value = equals == std::string_view::npos ? std::string_view() : argument.substr(equals + 1);
    const bool hasValue = equals != std::string_view::npos;
    if (!hasValue && (name == "nouserok" || name == "debug")) {
        (name == "debug" ? options->debug : options->nouserok) = true;
        return true;
    }
    if (hasValue && name == "device") {
        if (!FullAddress(value)) {
            *problem = "device=" + std::string(value) + " is not a full key address (pcsc, pcsc:READER, sim:/PATH)";
            return false;
        }
        options->device = value;
        return true;
    }
    if (hasValue && (name == "authfile" || name == "authkey")) {
        if (!value.starts_with('/')) {
            *problem = std::string(name) + "= needs an absolute path";
            return false;
        }
        (name == "authfile" ? options->authfile : options->authkeyFile) = value;
        return true;
    }
    if (hasValue && name == "mode") {
        for (const auto &[text, choice] : kModes) {
            if (value == text) {
                options->mode = choice;
                return true;
            }
        }
        *problem = "mode= takes auto, finger or pin";
        return false;
    }
    if (hasValue && name == "max_tries") {
        if (ParseCount(value, 1, kMostTries, &options->maxTries)) return true;
        *problem = "max_tries= takes 1 to " + std::to_string(kMostTries);
        return false;
    }
    if (hasValue && name == "timeout") {
        if (ParseCount(value, 1, kLongestTimeout, &options->timeoutSeconds)) return true;
        *problem = "timeout= takes 1 to " + std::to_string(kLongestTimeout) + " seconds";
        return false;
    }
    *problem = "unknown argument \"" + std::string(argument) + "\"";
    return false;
}

}  // namespace

std::optional<ModuleOptions> ParseModuleOptions(int argc, const char **argv, std::string *problem) {
    ModuleOptions options;
    for (int i = 0; i < argc; ++i) {
        if (argv[i] == nullptr || !ParseOne(argv[i], &options, problem)) return std::nullopt;
    }
    return options;
}

}  // namespace pam_fpkey
