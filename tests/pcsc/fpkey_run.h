// fpkey as another program on the same key: started, then waited for.
#ifndef FPKEY_TESTS_PCSC_FPKEY_RUN_H
#define FPKEY_TESTS_PCSC_FPKEY_RUN_H

#include <string>
#include <vector>

#include <sys/types.h>

namespace pcsc_test {

struct FpkeyRun {
    pid_t process = -1;
    int output = -1;  // standard output and error, read by Finish
};

struct FpkeyOutcome {
    int exitStatus = -1;
    std::string output;
};

FpkeyRun StartFpkey(const std::vector<std::string> &arguments);
// Whether it is still running (it is not reaped here).
bool StillRunning(const FpkeyRun &run);
FpkeyOutcome FinishFpkey(FpkeyRun run);
inline FpkeyOutcome RunFpkey(const std::vector<std::string> &arguments) { return FinishFpkey(StartFpkey(arguments)); }

}  // namespace pcsc_test

#endif
