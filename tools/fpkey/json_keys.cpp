#include "json_keys.h"

#include <cctype>

namespace fpkey {

std::string SnakeCase(const std::string &key) {
    std::string snake;
    for (size_t i = 0; i < key.size(); ++i) {
        const auto c = static_cast<unsigned char>(key[i]);
        const bool wordStart = std::isupper(c) && i > 0 && !std::isupper(static_cast<unsigned char>(key[i - 1]));
        if (wordStart && snake.back() != '_') snake += '_';
        snake += c == '-' ? '_' : static_cast<char>(std::tolower(c));
    }
    return snake;
}

nlohmann::json SnakeCaseKeys(const nlohmann::json &value) {
    if (value.is_object()) {
        nlohmann::json converted = nlohmann::json::object();
        for (const auto &[key, member] : value.items()) converted[SnakeCase(key)] = SnakeCaseKeys(member);
        return converted;
    }
    if (value.is_array()) {
        nlohmann::json converted = nlohmann::json::array();
        for (const auto &member : value) converted.push_back(SnakeCaseKeys(member));
        return converted;
    }
    return value;
}

}  // namespace fpkey
