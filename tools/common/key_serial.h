// The serial number a key reports in its device information block, the
// name by which a login mapping knows the key.
#ifndef FPKEY_TOOLS_KEY_SERIAL_H
#define FPKEY_TOOLS_KEY_SERIAL_H

#include <string>

#include "fpdevice/transport.h"

namespace fpkey {

// Empty when the key does not answer with its device information or its
// serial number could not be written in a mapping line (empty, or holding
// blanks, ':' or ',').
std::string ReadKeySerial(DeviceContext *device);

}  // namespace fpkey

#endif
