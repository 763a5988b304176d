// What a simulated key's state file says once a process working on it has
// ended, however it ended: does the file parse, and do the template index
// and the template files agree?
#ifndef FPKEY_TESTS_DURABILITY_KEY_CONSISTENCY_H
#define FPKEY_TESTS_DURABILITY_KEY_CONSISTENCY_H

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace durability_test {

struct KeyReport {
    std::vector<std::string> problems;         // empty for a sound key
    std::map<unsigned, std::string> enrolled;  // template number -> finger label of the entry
    unsigned unnamedFiles = 0;                 // template files no entry names
    std::vector<std::string> strayFiles;       // beside the key: neither the key nor its lock

    bool sound() const { return problems.empty(); }
    std::string describe() const;
};

// Reads the state file the way the key does and checks that every
// enrolled entry names a template file the key has.
KeyReport inspectKey(const std::filesystem::path &stateFile);

}  // namespace durability_test

#endif
