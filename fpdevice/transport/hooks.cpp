// The hooks every device command passes through. They are deliberately
// empty: tracing has no sink and the lock takes nothing, but every command
// calls them in the same places, so a real trace or lock can sit behind them.
#include "fpdevice/transport.h"

extern "C" {

void MYTRACE(const char * /*format*/, ...) {}

void *MyLock(DeviceContext *hDev) { return hDev; }

void MyUnlock(void * /*token*/) {}

int(TEST)(void * /*unused*/) { return 0; }
}
