// The key's answer to a PIN typed into the PIN dialog, and the warning the
// user sees for it. Both PIN paths use it: the PIN login and the PIN button
// of the fingerprint dialog.
#ifndef AUTHDLG_PIN_RESULT_H
#define AUTHDLG_PIN_RESULT_H

#include <cstdint>

#include "fpdevice/transport.h"

class QWidget;
class WPinInput;

namespace authdlg {

enum class PinVerdict {
    Accepted,  // nothing shown: each path says success its own way
    Locked,    // "Key locked!" shown
    TryAgain,  // the retry warning shown; the PIN dialog comes back
    Refused,   // "Can NOT verify this key..." shown
};

// The PIN login runs the count into its words; the fingerprint dialog sets
// it off with blanks. Each is a text of its own in the translations.
enum class RetryWording { Joined, Spaced };

struct PinAnswer {
    PinVerdict verdict;
    uint64_t result;      // what the verify call returned
    uint16_t statusWord;  // the key's status word; 0 when none came back
};

using PinVerifyCall = uint64_t (*)(DeviceContext *hDev, const uint8_t *pin, uint8_t pinLength, uint16_t *statusWord);

// Sends the dialog's PIN through `verify` (the dialog's copy is wiped first)
// and shows the warning its answer asks for, with `parent` as the parent.
PinAnswer VerifyEnteredPin(DeviceContext *hDev, WPinInput &dialog, PinVerifyCall verify, QWidget *parent,
                           RetryWording wording);

}  // namespace authdlg

#endif
