// authkey=FILE: the key's external authentication key, 32 hex digits in a
// file only root (or the user the process runs as) can write.
#ifndef PAM_FPKEY_AUTH_KEY_FILE_H
#define PAM_FPKEY_AUTH_KEY_FILE_H

#include <string>

#include "pkcs_library.h"

namespace pam_fpkey {

// False, with *problem, for a file that is missing, not trusted, or holds
// anything but 32 hex digits (blanks and a line end around them allowed).
bool ReadAuthKeyFile(const std::string &path, AuthKey *key, std::string *problem);

}  // namespace pam_fpkey

#endif
