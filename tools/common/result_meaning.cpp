#include "result_meaning.h"

#include "fpdevice/result_text.h"

namespace fpkey {

// The texts live in the public header, so hosts print what the tools print.

std::string StatusWordMeaning(uint16_t statusWord) {
    char text[FP_RESULT_TEXT_SIZE];
    return FpStatusWordText(statusWord, text, sizeof text);
}

std::string ResultMeaning(uint64_t code) {
    char text[FP_RESULT_TEXT_SIZE];
    return FpResultText(code, text, sizeof text);
}

std::string DescribeResult(uint64_t code) {
    char text[FP_RESULT_TEXT_SIZE];
    return FpDescribeResult(code, text, sizeof text);
}

}  // namespace fpkey
