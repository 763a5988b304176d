// The person shows a finger to the key: capture, extraction and
// identification against the key's templates, up to max_tries fingers, each
// awaited for at most the time-out.
#ifndef PAM_FPKEY_FINGER_CHECK_H
#define PAM_FPKEY_FINGER_CHECK_H

#include "conversation.h"
#include "fpdevice/transport.h"
#include "login_outcome.h"
#include "module_log.h"
#include "module_options.h"

namespace pam_fpkey {

LoginOutcome CheckFinger(DeviceContext *device, const ModuleOptions &options, Conversation &conversation,
                         const ModuleLog &log);

}  // namespace pam_fpkey

#endif
