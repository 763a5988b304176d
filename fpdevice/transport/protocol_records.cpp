#include "fpdevice/transport.h"

// The length field holds 8, not the record's own size of 16: peers compare it.
extern "C" const SCardIoRequest g_rgSCardT0Pci = {1, 8};
extern "C" const SCardIoRequest g_rgSCardT1Pci = {2, 8};
