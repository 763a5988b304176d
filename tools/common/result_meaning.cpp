#include "result_meaning.h"

#include <cstdio>
#include <iterator>

#include "fpdevice/dactyl.h"

namespace fpkey {
namespace {

struct Meaning {
    uint64_t code;
    const char *text;
};

// Codes the device API makes itself.
constexpr Meaning kResultCodes[] = {
    {FP_OK, "success"},
    {FP_E_LOCK, "device lock not obtained (no device handle)"},
    {FP_E_UNKNOWN_STATUS, "unrecognised answer or transport failure"},
    {FP_E_BAD_ARGUMENT, "bad argument"},
    {FP_E_NO_MEMORY, "out of memory"},
    {FP_E_TEMPLATE_CREATE, "template file could not be created"},
    {FP_E_TEMPLATE_ERASE, "template file could not be erased"},
    {FP_E_INDEX_WRITE, "template index entry could not be written"},
    {FP_E_NO_CAPACITY, "template capacity or next file number not available"},
    {FP_E_DELETE_FAILED, "template could not be deleted"},
    {FP_E_INDEX_READ, "template index could not be read"},
    {FP_E_LINES_TOO_LONG, "image lines too long for one block (at most 240 bytes)"},
    {FP_E_VERIFY_MISMATCH, "finger does not match this template"},
    {FP_E_IDENTIFY_MISMATCH, "no template matched"},
    {TOKEN_ERR_NEXT_RECORD, "next-file record not readable or writable"},
    {HX_PKCS_AUTH_UNAVAILABLE, "PKCS library or its authentication entry not available"},
    {HX_PKCS_PIN_UNAVAILABLE, "PKCS library or its PIN entry not available"},
};

// Status words of the key.
#define FPKEY_STATUS_WORD_MEANING(name, text) {name, text},
constexpr Meaning kStatusWords[] = {FP_STATUS_WORD_MEANINGS(FPKEY_STATUS_WORD_MEANING)};
#undef FPKEY_STATUS_WORD_MEANING

template <size_t N>
const char *Find(const Meaning (&table)[N], uint64_t code) {
    for (const Meaning &meaning : table) {
        if (meaning.code == code) return meaning.text;
    }
    return nullptr;
}

}  // namespace

std::string StatusWordMeaning(uint16_t statusWord) {
    if ((statusWord & 0xFFF0) == SW_VERIFY_FAILED_BASE) {
        return "verification failed, " + std::to_string(statusWord & 0x0F) + " attempts left";
    }
    if (const char *text = Find(kStatusWords, statusWord)) return text;
    return "unknown status";
}

std::string ResultMeaning(uint64_t code) {
    if (const char *text = Find(kResultCodes, code)) return text;
    if ((code & 0xFFFF0000u) == FP_E_STATUS_BASE) return StatusWordMeaning(static_cast<uint16_t>(code));
    return "unknown result";
}

std::string DescribeResult(uint64_t code) {
    char hex[24];
    std::snprintf(hex, sizeof hex, "0x%08llX", static_cast<unsigned long long>(code));
    return std::string(hex) + " " + ResultMeaning(code);
}

}  // namespace fpkey
