// What a device result code or a key status word means, in words.
#ifndef FPKEY_TOOLS_RESULT_MEANING_H
#define FPKEY_TOOLS_RESULT_MEANING_H

#include <cstdint>
#include <string>

namespace fpkey {

// "file not found" for 0x80006A82, "success" for 0, ...
std::string ResultMeaning(uint64_t code);
// "0x80006A82 file not found"
std::string DescribeResult(uint64_t code);
// The meaning of a bare status word (0x6A82).
std::string StatusWordMeaning(uint16_t statusWord);

}  // namespace fpkey

#endif
