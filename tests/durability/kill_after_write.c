/*
 * Preloaded into fpkey, this library kills the process (SIGKILL, which
 * nothing can catch or clean up after) at the N-th time it stores a key's
 * state: each store ends by renaming a synced temporary file over the state
 * file, so the kill falls
 *   after  the N-th rename: the N-th state is in place, nothing after it ran;
 *   before the N-th rename: the temporary file is complete and left behind.
 * FPKEY_KILL_AT_WRITE=N (N >= 1) arms it; FPKEY_KILL_PHASE=before|after
 * (default after) chooses the side. Unarmed, it only passes calls on.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

typedef int (*RenameFunction)(const char *, const char *);

static long g_renames;

static long armedWrite(void) {
    const char *text = getenv("FPKEY_KILL_AT_WRITE");
    return text ? strtol(text, NULL, 10) : 0;
}

static int killsBefore(void) {
    const char *phase = getenv("FPKEY_KILL_PHASE");
    return phase && strcmp(phase, "before") == 0;
}

__attribute__((visibility("default"))) int rename(const char *from, const char *to) {
    void *symbol = dlsym(RTLD_NEXT, "rename");
    RenameFunction next;
    memcpy(&next, &symbol, sizeof next); /* ISO C has no cast from object to function pointers */
    const int armed = armedWrite() > 0 && ++g_renames == armedWrite();
    if (armed && killsBefore()) {
        kill(getpid(), SIGKILL);
    }
    const int result = next(from, to);
    if (armed) {
        kill(getpid(), SIGKILL);
    }
    return result;
}
