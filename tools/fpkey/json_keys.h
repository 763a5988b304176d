// fpkey's JSON speaks snake_case throughout; the simulated key's own report
// and older field names are converted as they are printed.
#ifndef FPKEY_JSON_KEYS_H
#define FPKEY_JSON_KEYS_H

#include <nlohmann/json.hpp>

#include <string>

namespace fpkey {

// "fileId" and "image-gain" become "file_id" and "image_gain".
std::string SnakeCase(const std::string &key);
// The same value with every object key, at any depth, in snake_case.
nlohmann::json SnakeCaseKeys(const nlohmann::json &value);

}  // namespace fpkey

#endif
