// Which keys belong to whom: one line per user, "user:serial[,serial...]".
// Blank lines and lines starting with '#' say nothing.
#ifndef PAM_FPKEY_AUTHFILE_H
#define PAM_FPKEY_AUTHFILE_H

#include <string>
#include <string_view>
#include <vector>

namespace pam_fpkey {

// The serial numbers on the user's line (the first line for the user, as
// each user has one); empty when there is none or it names no key.
std::vector<std::string> SerialsOfUser(std::string_view authfile, std::string_view user);

// Serial numbers are compared without regard to case: people copy them by hand.
bool SameSerial(std::string_view a, std::string_view b);

}  // namespace pam_fpkey

#endif
