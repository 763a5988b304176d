// Files the module believes: only root, or the user the process already
// runs as, can have written them. In a set-user-ID program that is root
// alone; a program that runs as its user (a screen locker, a test) may also
// read that user's files, which tells it nothing the user could not do anyway.
#ifndef PAM_FPKEY_TRUSTED_FILE_H
#define PAM_FPKEY_TRUSTED_FILE_H

#include <cstddef>
#include <string>

namespace pam_fpkey {

enum class FileTrust { kTrusted, kMissing, kRefused };

struct TrustedRead {
    FileTrust trust = FileTrust::kRefused;
    std::string text;     // the contents, when trusted and read
    std::string problem;  // why not, for the log
};

// Checks a regular file: owned by root or by the effective user, writable by
// nobody else (no group or other write bit).
TrustedRead CheckTrustedFile(const std::string &path);
// The same, and reads the file of at most maxBytes from the descriptor that
// was checked, so that it cannot be swapped in between.
TrustedRead ReadTrustedFile(const std::string &path, size_t maxBytes);

}  // namespace pam_fpkey

#endif
