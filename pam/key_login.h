// One login with the key: it is opened at the configured address,
// authenticated, recognised by its serial number as one of the user's, and
// then verifies the person as its verify mode (and the module's mode) says.
#ifndef PAM_FPKEY_KEY_LOGIN_H
#define PAM_FPKEY_KEY_LOGIN_H

#include <string>
#include <vector>

#include "conversation.h"
#include "login_outcome.h"
#include "module_log.h"
#include "module_options.h"

namespace pam_fpkey {

LoginOutcome LogInWithKey(const ModuleOptions &options, const std::vector<std::string> &userSerials,
                          Conversation &conversation, const ModuleLog &log);

}  // namespace pam_fpkey

#endif
