#include "authfile.h"

#include <algorithm>
#include <cctype>

namespace pam_fpkey {
namespace {

std::string_view Trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

std::vector<std::string> SplitSerials(std::string_view list) {
    std::vector<std::string> serials;
    while (!list.empty()) {
        const size_t comma = list.find(',');
        const std::string_view serial = Trimmed(list.substr(0, comma));
        if (!serial.empty()) serials.emplace_back(serial);
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
    }
    return serials;
}

}  // namespace

std::vector<std::string> SerialsOfUser(std::string_view authfile, std::string_view user) {
    while (!authfile.empty()) {
        const size_t end = authfile.find('\n');
        const std::string_view line = Trimmed(authfile.substr(0, end));
        authfile.remove_prefix(end == std::string_view::npos ? authfile.size() : end + 1);
        const size_t colon = line.find(':');
        if (line.starts_with('#') || colon == std::string_view::npos) continue;
        if (Trimmed(line.substr(0, colon)) == user) return SplitSerials(line.substr(colon + 1));
    }
    return {};
}

bool SameSerial(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
    });
}

}  // namespace pam_fpkey
