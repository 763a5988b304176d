// The PAM entry points: the auth management group only.
#include <security/pam_modules.h>

#include <string>
#include <vector>

#include "authfile.h"
#include "conversation.h"
#include "key_login.h"
#include "login_outcome.h"
#include "module_log.h"
#include "module_options.h"
#include "trusted_file.h"

namespace pam_fpkey {
namespace {

constexpr size_t kLargestAuthfile = 1 << 20;

struct OutcomeResult {
    LoginOutcome outcome;
    int pamResult;
};
// A `sufficient` line falls through to the next module on every one but success.
constexpr OutcomeResult kPamResults[] = {
    {LoginOutcome::kVerified, PAM_SUCCESS},
    {LoginOutcome::kKeyUnavailable, PAM_AUTHINFO_UNAVAIL},
    {LoginOutcome::kUnknownUser, PAM_USER_UNKNOWN},
    {LoginOutcome::kIgnoredUser, PAM_IGNORE},
    {LoginOutcome::kRejected, PAM_AUTH_ERR},
    {LoginOutcome::kBlocked, PAM_MAXTRIES},
    {LoginOutcome::kConversationFailed, PAM_CONV_ERR},
    {LoginOutcome::kMisconfigured, PAM_SERVICE_ERR},
};

int PamResultOf(LoginOutcome outcome) {
    for (const OutcomeResult &row : kPamResults) {
        if (row.outcome == outcome) return row.pamResult;
    }
    return PAM_AUTH_ERR;
}

LoginOutcome Authenticate(pam_handle_t *pamh, int flags, int argc, const char **argv) {
    std::string problem;
    const auto options = ParseModuleOptions(argc, argv, &problem);
    if (!options) {
        ModuleLog(pamh, false).Error("bad module argument: " + problem);
        return LoginOutcome::kMisconfigured;
    }
    const ModuleLog log(pamh, options->debug);
    const LoginOutcome unmapped = options->nouserok ? LoginOutcome::kIgnoredUser : LoginOutcome::kUnknownUser;

    const char *user = nullptr;
    if (const int result = pam_get_user(pamh, &user, nullptr); result != PAM_SUCCESS || user == nullptr || !*user) {
        log.Debug("no user name");
        return result == PAM_CONV_ERR || result == PAM_CONV_AGAIN ? LoginOutcome::kConversationFailed
                                                                  : LoginOutcome::kUnknownUser;
    }
    const TrustedRead authfile = ReadTrustedFile(options->authfile, kLargestAuthfile);
    if (authfile.trust == FileTrust::kMissing) {
        log.Debug(authfile.problem);
        return unmapped;
    }
    if (authfile.trust == FileTrust::kRefused) {
        log.Error("authfile refused: " + authfile.problem);
        return LoginOutcome::kMisconfigured;
    }
    const std::vector<std::string> serials = SerialsOfUser(authfile.text, user);
    if (serials.empty()) {
        log.Debug(std::string("no key mapped for ") + user + " in " + options->authfile);
        return unmapped;
    }
    Conversation conversation(pamh, (flags & PAM_SILENT) != 0);
    const LoginOutcome outcome = LogInWithKey(*options, serials, conversation, log);
    log.Debug(std::string("login of ") + user + (outcome == LoginOutcome::kVerified ? " verified" : " not verified"));
    return outcome;
}

}  // namespace
}  // namespace pam_fpkey

// Everything else is hidden; the version script keeps it so.
#define PAM_FPKEY_EXPORT __attribute__((visibility("default")))

extern "C" {

PAM_FPKEY_EXPORT int pam_sm_authenticate(pam_handle_t *pamh, int flags, int argc, const char **argv) {
    // Nothing may leave a PAM module as an exception: anything unforeseen denies.
    try {
        return pam_fpkey::PamResultOf(pam_fpkey::Authenticate(pamh, flags, argc, argv));
    } catch (...) {
        return PAM_AUTH_ERR;
    }
}

PAM_FPKEY_EXPORT int pam_sm_setcred(pam_handle_t * /*pamh*/, int /*flags*/, int /*argc*/, const char ** /*argv*/) {
    return PAM_SUCCESS;
}

}  // extern "C"
