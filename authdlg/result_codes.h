// The result codes the dialogs and the worker hand on.
#ifndef AUTHDLG_RESULT_CODES_H
#define AUTHDLG_RESULT_CODES_H

#include <cstdint>

#include "authdlg.h"
#include "fpdevice/dactyl.h"

namespace authdlg {

// A device result code for a status word of the key.
constexpr uint64_t StatusCode(uint16_t statusWord) { return FP_E_STATUS_BASE + statusWord; }

constexpr uint64_t kCancelled = LOGIN_E_CANCELLED;
constexpr uint64_t kLocked = LOGIN_E_LOCKED;
constexpr uint64_t kSecurityNotSatisfied = StatusCode(SW_SECURITY_NOT_SATISFIED);

// A fingerprint dialog result of 2 ends the login as cancelled.
constexpr uint32_t kDialogResultCancel = 2;
// A device code of the lock family that ends the login at once, like a lock
// failure. No device call of this system answers it; the login still honours it.
constexpr uint64_t kDeviceStopCode = 0x8000990Bu;

// QDialog results are ints; a code travels as its 32-bit pattern.
constexpr int DialogResult(uint64_t code) { return static_cast<int>(static_cast<uint32_t>(code)); }
constexpr uint64_t CodeOf(int dialogResult) { return static_cast<uint32_t>(dialogResult); }

}  // namespace authdlg

#endif
