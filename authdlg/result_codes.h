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

// QDialog results are ints; a code travels as its 32-bit pattern.
constexpr int DialogResult(uint64_t code) { return static_cast<int>(static_cast<uint32_t>(code)); }
constexpr uint64_t CodeOf(int dialogResult) { return static_cast<uint32_t>(dialogResult); }

}  // namespace authdlg

#endif
