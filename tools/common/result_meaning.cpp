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
constexpr Meaning kStatusWords[] = {
    {SW_SUCCESS, "success"},
    {0x6282, "end of file reached before the requested length"},
    {0x6300, "authentication failed"},
    {SW_MEMORY_FAILURE, "memory failure"},
    {SW_WRONG_LENGTH, "wrong length"},
    {0x6982, "security status not satisfied (not authenticated)"},
    {SW_AUTH_METHOD_BLOCKED, "authentication method blocked (key locked)"},
    {0x6984, "reference data not usable"},
    {0x6985, "conditions of use not satisfied"},
    {0x6986, "command not allowed (no current file)"},
    {SW_POOR_IMAGE, "poor image quality"},
    {SW_TOO_FEW_FEATURES, "too few feature points"},
    {SW_CAPTURE_FAILED, "capture failed"},
    {SW_SENSOR_DIRTY, "sensor dirty"},
    {SW_AREA_TOO_SMALL, "effective image area too small"},
    {SW_CAPTURE_NOT_COMPLETE, "capture not completed (no finger yet)"},
    {SW_NO_CAPACITY, "capacity or next file number not available"},
    {SW_ENROLL_FAILED, "enrolment failed (captures do not agree)"},
    {SW_IMAGE_NOT_AVAILABLE, "image data not available"},
    {SW_CACHE_NOT_ENABLED, "template cache not enabled"},
    {SW_CACHE_EMPTY, "no valid template cache data"},
    {SW_FINGER_AUTH_DISABLED, "fingerprint authentication not enabled (password mode)"},
    {SW_VERIFY_MODE_REFUSED, "verify mode change refused"},
    {SW_FINGER_MISMATCH, "finger does not match"},
    {SW_INCORRECT_DATA, "incorrect data"},
    {0x6A84, "not enough memory space in the file"},
    {SW_FILE_NOT_FOUND, "file not found"},
    {0x6A88, "referenced data not found"},
    {0x6A89, "file already exists"},
    {SW_SELF_TEST_FAILED, "self test failed"},
    {SW_DEVICE_INFO_FAILED, "request refused by the key"},
    {SW_WRONG_P1P2, "wrong parameters P1-P2"},
    {0x6D00, "instruction not supported"},
    {0x6E00, "class not supported"},
    {0x6F00, "technical problem"},
    {SW_TRANSPORT_FAILURE, "transport failure"},
};

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
