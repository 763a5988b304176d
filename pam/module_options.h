// The arguments of a pam_fpkey.so line in a PAM service file. Nothing else
// configures the module: it runs inside set-user-ID programs, whose
// environment belongs to the caller.
#ifndef PAM_FPKEY_MODULE_OPTIONS_H
#define PAM_FPKEY_MODULE_OPTIONS_H

#include <optional>
#include <string>

namespace pam_fpkey {

// How the person proves to be the key's owner; auto follows the key's verify mode.
enum class VerifyChoice { kAuto, kFinger, kPin };

struct ModuleOptions {
    std::string device = "pcsc";
    std::string authfile = "/etc/fpkey/keys";
    std::string authkeyFile;  // empty: the key's factory authentication key
    VerifyChoice mode = VerifyChoice::kAuto;
    unsigned maxTries = 3;
    unsigned timeoutSeconds = 30;
    bool nouserok = false;
    bool debug = false;
};

// nullopt, with the reason in *problem, for an unknown or malformed argument,
// so that a typing error in a service file never weakens a login.
std::optional<ModuleOptions> ParseModuleOptions(int argc, const char **argv, std::string *problem);

}  // namespace pam_fpkey

#endif
