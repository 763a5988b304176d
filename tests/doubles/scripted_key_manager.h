// A key-manager double for the device API tests. It records every command
// APDU the library sends and answers from a script: rules matched by command
// prefix first, then (when enabled) a small in-memory file system with a
// template capacity, else plain 0x9000.
#ifndef FPKEY_TESTS_SCRIPTED_KEY_MANAGER_H
#define FPKEY_TESTS_SCRIPTED_KEY_MANAGER_H

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "fpdevice/transport.h"

namespace fpkey_test {

using Bytes = std::vector<uint8_t>;

// "80 FA 02 00 2F" -> bytes.
Bytes Hex(const std::string &text);
std::string ToHex(const Bytes &bytes);

struct Answer {
    uint32_t result = 0x9000;  // what Icc_tsi_apiHxDev returns
    Bytes data;                // response data delivered with it
};

class ScriptedKeyManager {
public:
    static ScriptedKeyManager &Instance();

    // Forgets rules, records and files; the file system is off.
    void Reset();

    // Commands starting with `prefix` get `answer`, `times` times (-1: always).
    // Earlier rules win over later ones.
    void On(const std::string &prefix, Answer answer, int times = -1);
    void On(const std::string &prefix, uint32_t result, int times = -1) { On(prefix, Answer{result, {}}, times); }

    // A file system of elementary files, with SELECT, READ/WRITE/UPDATE
    // BINARY, CREATE and DELETE FILE, ENROLL into an existing file, and the
    // capacity query.
    void EnableFiles(uint8_t capacity);
    void PutFile(uint16_t id, Bytes content);
    bool HasFile(uint16_t id) const { return files_.count(id) != 0; }
    const Bytes &File(uint16_t id) const { return files_.at(id); }

    const std::vector<Bytes> &Commands() const { return commands_; }
    std::vector<std::string> CommandsHex() const;
    uint64_t LastAnnouncedCapacity() const { return lastCapacity_; }

    int Exchange(uint64_t handle, uint64_t length, const uint8_t *command, uint64_t *responseLength, uint8_t *response);

private:
    struct Rule {
        Bytes prefix;
        Answer answer;
        int remaining;
    };
    Answer FromFiles(const Bytes &command);

    std::vector<Rule> rules_;
    std::vector<Bytes> commands_;
    bool filesEnabled_ = false;
    uint8_t capacity_ = 0;
    std::map<uint16_t, Bytes> files_;
    int selected_ = -1;
    uint64_t lastCapacity_ = 0;
};

// A context that is ready for exchanges (state 3) on protocol T=1.
DeviceContext ReadyContext(uint64_t protocol = 2);

}  // namespace fpkey_test

#endif
