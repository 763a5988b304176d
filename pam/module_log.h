// The module's messages to syslog (auth facility, through pam_syslog):
// problems of the configuration always, the course of a login with `debug`.
// Nothing secret is ever passed here.
#ifndef PAM_FPKEY_MODULE_LOG_H
#define PAM_FPKEY_MODULE_LOG_H

#include <security/pam_ext.h>
#include <syslog.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace pam_fpkey {

// Result codes and status words as people look them up: 0x80006A21.
inline std::string HexCode(uint64_t code) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%08llX", static_cast<unsigned long long>(code));
    return text;
}

class ModuleLog {
public:
    ModuleLog(pam_handle_t *pamh, bool debug) : pamh_(pamh), debug_(debug) {}
    void Debug(const std::string &text) const {
        if (debug_) pam_syslog(pamh_, LOG_DEBUG, "%s", text.c_str());
    }
    void Error(const std::string &text) const { pam_syslog(pamh_, LOG_ERR, "%s", text.c_str()); }

private:
    pam_handle_t *pamh_;
    bool debug_;
};

}  // namespace pam_fpkey

#endif
