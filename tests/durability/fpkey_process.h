// fpkey run as a process of its own, the way people and scripts run it:
// what it printed and how it ended. The durability suite runs it on one
// simulated key; the PC/SC suite also starts it and lets it wait while the
// test holds the key.
#ifndef FPKEY_TESTS_DURABILITY_FPKEY_PROCESS_H
#define FPKEY_TESTS_DURABILITY_FPKEY_PROCESS_H

#include <filesystem>
#include <string>
#include <vector>

#include <sys/types.h>

namespace durability_test {

struct Outcome {
    int exitStatus = -1;  // -1 when it did not exit
    int signal = 0;       // the signal that ended it, if one did
    std::string output;   // standard output and error together

    bool succeeded() const { return exitStatus == 0; }
};

// A started fpkey, not yet waited for.
struct Running {
    pid_t process = -1;
    int output = -1;           // standard output and error, read by finishFpkey
    std::string startFailure;  // why it could not be started, if it was not
};

// Starts fpkey ARGUMENTS with NAME=VALUE settings added to the environment
// (the caller's FPKEY_ settings are left out). Safe to call from several
// threads at once.
Running startFpkey(const std::vector<std::string> &arguments, const std::vector<std::string> &settings = {});
// Whether it is still running (it is not reaped here).
bool stillRunning(const Running &running);
// Reads everything it prints and waits for it to end.
Outcome finishFpkey(Running running);

// fpkey --device sim:KEY ARGUMENTS, to its end.
Outcome runFpkey(const std::filesystem::path &key, const std::vector<std::string> &arguments,
                 const std::vector<std::string> &settings = {});

// A fresh directory per test, removed afterwards.
class ScratchDirectory {
public:
    ScratchDirectory();
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory &) = delete;
    ScratchDirectory &operator=(const ScratchDirectory &) = delete;
    const std::filesystem::path &path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace durability_test

#endif
