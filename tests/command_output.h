// Output of shell commands (nm, readelf) for the tests that look at built
// files, and its non-empty lines as a set.
#ifndef FPKEY_TESTS_COMMAND_OUTPUT_H
#define FPKEY_TESTS_COMMAND_OUTPUT_H

#include <cstdio>
#include <istream>
#include <set>
#include <sstream>
#include <string>

namespace fpkey_test {

// Everything the command wrote to its standard output; empty when it
// could not be started.
inline std::string RunCommand(const std::string &command) {
    std::string output;
    FILE *pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return output;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    pclose(pipe);
    return output;
}

inline std::set<std::string> Lines(std::istream &in) {
    std::set<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty()) lines.insert(line);
    }
    return lines;
}

inline std::set<std::string> Lines(const std::string &text) {
    std::istringstream in(text);
    return Lines(in);
}

}  // namespace fpkey_test

#endif
