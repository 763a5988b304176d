// Paths shortened to a column or a terminal line. The file name is what a
// reader looks for, so it always stays whole; the folders give way first,
// from the left.
#ifndef FPKEY_TOOLS_FPIMAGE_PATH_FIT_H
#define FPKEY_TOOLS_FPIMAGE_PATH_FIT_H

#include <cstddef>
#include <string>

namespace fpkey {

// "/data/sets/db1/101_1.pgm" in 18 columns: ".../db1/101_1.pgm" (whole
// folders only). A file name longer than width is returned whole, without
// its folders.
std::string FitPath(const std::string &path, size_t width);

}  // namespace fpkey

#endif
