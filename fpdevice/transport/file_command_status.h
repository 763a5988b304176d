// CREATE FILE and DELETE FILE with the key's own answer. The exported file
// commands answer 1 or 0; enrolment and deletion must tell "already there"
// and "not there" from the other failures.
#ifndef FPDEVICE_TRANSPORT_FILE_COMMAND_STATUS_H
#define FPDEVICE_TRANSPORT_FILE_COMMAND_STATUS_H

#include "fpdevice/transport.h"

namespace fpdevice {

// The status word of CREATE FILE, or 0xFFFF when the parameters are refused
// and nothing is sent.
uint32_t CreateFileStatus(DeviceContext *hDev, uint16_t fileId, const uint8_t *parameters, uint8_t parameterLength);
// The status word of DELETE FILE.
uint32_t EraseFileStatus(DeviceContext *hDev, uint16_t fileId);

}  // namespace fpdevice

#endif
