/* A host application built only from the installed headers, library and pkg-config file. */
#include <stdio.h>
#include <fpdevice.h>
#include <hxkmgr.h>
int main(int argc, char **argv) {
    if (argc < 2) return 2;
    DeviceContext key;
    if (HXKeyOpen(argv[1], &key) != 0) {
        puts(HXKeyLastError());
        return 1;
    }
    if (HXSCardAuthBio(&key) == 0) {
        uint8_t capacity;
        uint64_t rc = HXDactylGetMaxTmpltNum(&key, &capacity);
        printf("rc=0x%08llX capacity=%u\n", (unsigned long long)rc, capacity);
    }
    HXKeyClose(&key);
    return 0;
}
