// The person types the key's user PIN, up to max_tries times; the key
// counts every wrong one.
#ifndef PAM_FPKEY_PIN_CHECK_H
#define PAM_FPKEY_PIN_CHECK_H

#include "conversation.h"
#include "fpdevice/transport.h"
#include "login_outcome.h"
#include "module_log.h"
#include "module_options.h"
#include "pkcs_library.h"

namespace pam_fpkey {

LoginOutcome CheckPin(DeviceContext *device, const PkcsLibrary &pkcs, const ModuleOptions &options,
                      Conversation &conversation, const ModuleLog &log);

}  // namespace pam_fpkey

#endif
