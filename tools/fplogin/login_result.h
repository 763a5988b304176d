// What a result of HXLoginVerify means, in words.
#ifndef FPLOGIN_LOGIN_RESULT_H
#define FPLOGIN_LOGIN_RESULT_H

#include <cstdint>
#include <string>

namespace fplogin {

// "0x80006A82 the user cancelled"
std::string DescribeLoginResult(uint64_t result);

}  // namespace fplogin

#endif
