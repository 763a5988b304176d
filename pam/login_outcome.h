// How one login with the key ended, before it becomes a PAM result.
#ifndef PAM_FPKEY_LOGIN_OUTCOME_H
#define PAM_FPKEY_LOGIN_OUTCOME_H

namespace pam_fpkey {

enum class LoginOutcome {
    kVerified,            // the key verified the person
    kKeyUnavailable,      // no key, reader or PC/SC service; or nobody came in time
    kUnknownUser,         // the user has no key in the mapping
    kIgnoredUser,         // the same, with nouserok
    kRejected,            // another key, a wrong finger or PIN, or any failure on the way
    kBlocked,             // the key's counter for the method is used up
    kConversationFailed,  // the application could not ask, or the person cancelled
    kMisconfigured,       // the service file or a file it names is not usable
};

}  // namespace pam_fpkey

#endif
