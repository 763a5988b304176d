// fpkey run as a process of its own on one simulated key, the way people
// and scripts run it: what it printed and how it ended.
#ifndef FPKEY_TESTS_DURABILITY_FPKEY_PROCESS_H
#define FPKEY_TESTS_DURABILITY_FPKEY_PROCESS_H

#include <filesystem>
#include <string>
#include <vector>

namespace durability_test {

struct Outcome {
    int exitStatus = -1;  // -1 when it did not exit
    int signal = 0;       // the signal that ended it, if one did
    std::string output;   // standard output and error together

    bool succeeded() const { return exitStatus == 0; }
};

// Runs fpkey --device sim:KEY ARGUMENTS with NAME=VALUE settings added to
// the environment. Safe to call from several threads at once.
Outcome runFpkey(const std::filesystem::path &key, const std::vector<std::string> &arguments,
                 const std::vector<std::string> &settings = {});

// The settings that make the preloaded kill library end fpkey at its
// writeNumber-th state write ("before" or "after" the state is replaced).
std::vector<std::string> killAtWrite(int writeNumber, const char *phase);

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
