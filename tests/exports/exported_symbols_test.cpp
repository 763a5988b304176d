// libfpdevice.so exports exactly the names of its export list, and loads
// with nothing but the C library, the loader and libm beside the key manager.
#include <gtest/gtest.h>

#include "command_output.h"

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace {

const std::string kLibrary = std::string(FPKEY_LIBRARY_DIR) + "/libfpdevice.so";

using fpkey_test::Lines;
using fpkey_test::RunCommand;

TEST(Exports, DynamicSymbolTableMatchesTheExportList) {
    std::ifstream listFile(FPKEY_EXPORT_FILE);
    ASSERT_TRUE(listFile) << FPKEY_EXPORT_FILE;
    const std::set<std::string> expected = Lines(listFile);
    ASSERT_GT(expected.size(), 40u);

    std::istringstream defined(RunCommand("nm -D --defined-only --format=posix '" + kLibrary + "' | cut -d' ' -f1"));
    const std::set<std::string> actual = Lines(defined);
    for (const std::string &name : expected) EXPECT_TRUE(actual.count(name)) << "not exported: " << name;
    for (const std::string &name : actual) EXPECT_TRUE(expected.count(name)) << "exported but not listed: " << name;
}

TEST(Exports, SonameIsVersionedAndNeedsOnlyTheBasics) {
    const std::string dynamic = RunCommand("readelf -d '" + kLibrary + "'");
    EXPECT_NE(dynamic.find("Library soname: [libfpdevice.so.1]"), std::string::npos) << dynamic;
    EXPECT_NE(dynamic.find("Shared library: [libhxkmgr.so]"), std::string::npos) << dynamic;

    std::set<std::string> allowed = {"libhxkmgr.so", "libc.so.6", "libm.so.6", "libdl.so.2"};
#ifdef FPKEY_SANITIZE
    allowed.insert({"libasan.so.8", "libubsan.so.1", "libstdc++.so.6", "libgcc_s.so.1"});
#endif
    std::istringstream lines(dynamic);
    std::string line;
    while (std::getline(lines, line)) {
        const auto open = line.find("Shared library: [");
        if (open == std::string::npos) continue;
        const std::string name = line.substr(open + 17, line.find(']', open) - open - 17);
        EXPECT_TRUE(allowed.count(name)) << "unexpected dependency " << name;
    }
}

}  // namespace
