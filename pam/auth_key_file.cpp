#include "auth_key_file.h"

#include <cstring>
#include <string_view>

#include "trusted_file.h"

namespace pam_fpkey {
namespace {

constexpr size_t kLargestFile = 256;

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool ParseKey(std::string_view text, AuthKey *key) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    const size_t last = text.find_last_not_of(" \t\r\n");
    if (first == std::string_view::npos || last - first + 1 != key->size() * 2) return false;
    for (size_t i = 0; i < key->size(); ++i) {
        const int high = HexDigit(text[first + 2 * i]);
        const int low = HexDigit(text[first + 2 * i + 1]);
        if (high < 0 || low < 0) return false;
        (*key)[i] = static_cast<uint8_t>(high << 4 | low);
    }
    return true;
}

}  // namespace

bool ReadAuthKeyFile(const std::string &path, AuthKey *key, std::string *problem) {
    TrustedRead file = ReadTrustedFile(path, kLargestFile);
    if (file.trust != FileTrust::kTrusted) {
        *problem = "authentication key refused: " + file.problem;
        return false;
    }
    const bool parsed = ParseKey(file.text, key);
    explicit_bzero(file.text.data(), file.text.size());
    if (!parsed) {
        explicit_bzero(key->data(), key->size());
        *problem = path + ": not a key of 32 hex digits";
    }
    return parsed;
}

}  // namespace pam_fpkey
