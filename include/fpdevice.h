/* fpdevice: the device API of the fingerprint key and the image library. */
#ifndef FPDEVICE_H
#define FPDEVICE_H

#include "fpdevice/transport.h"
#include "fpdevice/dactyl.h"

#endif
