#include "scripted_key_manager.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sstream>

namespace fpkey_test {

Bytes Hex(const std::string &text) {
    Bytes bytes;
    std::istringstream in(text);
    std::string token;
    while (in >> token) bytes.push_back(static_cast<uint8_t>(std::stoul(token, nullptr, 16)));
    return bytes;
}

std::string ToHex(const Bytes &bytes) {
    std::string text;
    char digits[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(digits, sizeof digits, i ? " %02X" : "%02X", bytes[i]);
        text += digits;
    }
    return text;
}

ScriptedKeyManager &ScriptedKeyManager::Instance() {
    static ScriptedKeyManager instance;
    return instance;
}

void ScriptedKeyManager::Reset() { *this = ScriptedKeyManager(); }

void ScriptedKeyManager::On(const std::string &prefix, Answer answer, int times) {
    rules_.push_back(Rule{Hex(prefix), std::move(answer), times});
}

void ScriptedKeyManager::EnableFiles(uint8_t capacity) {
    filesEnabled_ = true;
    capacity_ = capacity;
}

void ScriptedKeyManager::PutFile(uint16_t id, Bytes content) { files_[id] = std::move(content); }

std::vector<std::string> ScriptedKeyManager::CommandsHex() const {
    std::vector<std::string> out;
    for (const Bytes &command : commands_) out.push_back(ToHex(command));
    return out;
}

Answer ScriptedKeyManager::FromFiles(const Bytes &c) {
    if (c.size() < 5) return {0x6700, {}};
    const auto p1p2 = static_cast<uint16_t>(c[2] << 8 | c[3]);
    const auto dataId = [&] { return static_cast<uint16_t>(c[5] << 8 | c[6]); };
    if (c[0] == 0x80 && c[1] == 0xF9 && c[2] == 0x04) return {0x9000, {capacity_}};
    if (c[0] == 0x00 && c[1] == 0xA4) {
        if (!files_.count(dataId())) return {0x6A82, {}};
        selected_ = dataId();
        return {0x9000, {}};
    }
    if (c[0] == 0x00 && c[1] == 0xB0) {
        if (selected_ < 0) return {0x6986, {}};
        const Bytes &file = files_[static_cast<uint16_t>(selected_)];
        if (p1p2 + c[4] > file.size()) return {0x6B00, {}};
        return {0x9000, Bytes(file.begin() + p1p2, file.begin() + p1p2 + c[4])};
    }
    if (c[0] == 0x00 && (c[1] == 0xD0 || c[1] == 0xD6)) {
        if (selected_ < 0) return {0x6986, {}};
        Bytes &file = files_[static_cast<uint16_t>(selected_)];
        if (p1p2 + c[4] > file.size()) return {0x6A84, {}};
        std::copy(c.begin() + 5, c.begin() + 5 + c[4], file.begin() + p1p2);
        return {0x9000, {}};
    }
    if (c[0] == 0x80 && c[1] == 0xE0) {
        if (files_.count(p1p2)) return {0x6A89, {}};
        files_[p1p2] = Bytes(static_cast<size_t>(c[6] << 8 | c[7]), 0);
        return {0x9000, {}};
    }
    if (c[0] == 0x80 && c[1] == 0xFC) return {files_.count(p1p2) ? 0x9000u : 0x6A82u, {}};
    if (c[0] == 0x00 && c[1] == 0xE4) {
        if (!files_.erase(dataId())) return {0x6A82, {}};
        return {0x9000, {}};
    }
    return {0x9000, {}};
}

int ScriptedKeyManager::Exchange(uint64_t /*handle*/, uint64_t length, const uint8_t *command, uint64_t *responseLength,
                                 uint8_t *response) {
    const Bytes sent(command, command + length);
    commands_.push_back(sent);
    lastCapacity_ = *responseLength;

    Answer answer;
    bool ruled = false;
    for (Rule &rule : rules_) {
        if (rule.remaining == 0 || sent.size() < rule.prefix.size() ||
            !std::equal(rule.prefix.begin(), rule.prefix.end(), sent.begin())) {
            continue;
        }
        if (rule.remaining > 0) --rule.remaining;
        answer = rule.answer;
        ruled = true;
        break;
    }
    if (!ruled && filesEnabled_) answer = FromFiles(sent);
    // Like a real key manager, it trusts the capacity it was given.
    const size_t n = std::min<size_t>(answer.data.size(), *responseLength);
    if (n != 0) std::memcpy(response, answer.data.data(), n);
    *responseLength = answer.data.size();
    return static_cast<int>(answer.result);
}

DeviceContext ReadyContext(uint64_t protocol) {
    DeviceContext context{};
    context.state = FP_DEVICE_STATE_READY;
    context.keyManagerHandle = 0x5EED;
    context.activeProtocol = protocol;
    return context;
}

}  // namespace fpkey_test

// Defined in the test executable, this entry takes precedence over the key
// manager's for libfpdevice.so: the same way a real key manager replaces ours.
extern "C" __attribute__((visibility("default"))) int Icc_tsi_apiHxDev(uint64_t handle, uint64_t length,
                                                                       const uint8_t *command, uint64_t *responseLength,
                                                                       uint8_t *response) {
    return fpkey_test::ScriptedKeyManager::Instance().Exchange(handle, length, command, responseLength, response);
}
