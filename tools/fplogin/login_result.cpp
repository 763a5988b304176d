#include "login_result.h"

#include <cstdio>

#include "authdlg.h"
#include "result_meaning.h"

namespace fplogin {

std::string DescribeLoginResult(uint64_t result) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08llX", static_cast<unsigned long long>(result));
    const std::string prefix = std::string(code) + " ";
    switch (result) {
        case 0: return prefix + "success: the user is authenticated";
        case LOGIN_E_AUTH_FAILED: return prefix + "the key's external authentication failed";
        case LOGIN_E_NO_CACHE: return prefix + "nothing cached for a cache-only login";
        case LOGIN_E_CANCELLED: return prefix + "the user cancelled";
        case LOGIN_E_LOCKED: return prefix + "the key is locked, or it wants a login first";
        case LOGIN_E_UNAVAILABLE: return prefix + "a device function is missing, or another failure";
        case LOGIN_E_NO_BRANCH: return prefix + "login type or verify mode outside 0 to 2";
        default: break;
    }
    if ((result & ~0xFull) == LOGIN_E_FINGER_FAILED) {
        return prefix + "fingerprint not recognised, " + std::to_string(result & 0xF) + " retries left";
    }
    return fpkey::DescribeResult(result);
}

}  // namespace fplogin
