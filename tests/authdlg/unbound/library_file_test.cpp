// libauthdlg.so as a file: its exports, its soname and what it needs.
#include <gtest/gtest.h>

#include "command_output.h"

#include <cstdio>
#include <set>
#include <sstream>
#include <string>

namespace {

const std::string kLibrary = std::string(FPKEY_LIBRARY_DIR) + "/libauthdlg.so";

using fpkey_test::Lines;
using fpkey_test::RunCommand;

TEST(LibraryFile, PlainExportsAreExactlyTheLoginInterface) {
    // C++ names start with _Z; the plain ones are the C interface and data.
    const std::set<std::string> plain =
        Lines(RunCommand("nm -D --defined-only --format=posix '" + kLibrary + "' | cut -d' ' -f1 | grep -v '^_Z'"));
    const std::set<std::string> expected = {"HXLoginVerify",          "VerifyUserPin",
                                            "VerifyCacheFinger",      "VerifyCachePin",
                                            "g_CancelPressed",        "Enable_Fingerprint_Mode",
                                            "g_rgSCardT0Pci",         "g_rgSCardT1Pci",
                                            "qInitResources_authdlg", "qCleanupResources_authdlg"};
    EXPECT_EQ(plain, expected);
}

TEST(LibraryFile, CppExportsBelongToTheThreeClasses) {
    const std::set<std::string> names = Lines(
        RunCommand("nm -D --defined-only --format=posix '" + kLibrary + "' | cut -d' ' -f1 | grep '^_Z' | c++filt"));
    ASSERT_FALSE(names.empty());
    bool constructorOfEach[3] = {};
    for (const std::string &name : names) {
        const bool ours = name.find("WFingerPrint") != std::string::npos ||
                          name.find("WPinInput") != std::string::npos ||
                          name.find("CHXLoginVerify") != std::string::npos;
        EXPECT_TRUE(ours) << "exported: " << name;
        EXPECT_EQ(name.find("Ui_"), std::string::npos) << "generated form code stays inside: " << name;
        if (name.rfind("WFingerPrint::WFingerPrint(", 0) == 0) constructorOfEach[0] = true;
        if (name.rfind("WPinInput::WPinInput(", 0) == 0) constructorOfEach[1] = true;
        if (name == "CHXLoginVerify::CHXLoginVerify()") constructorOfEach[2] = true;
    }
    EXPECT_TRUE(constructorOfEach[0] && constructorOfEach[1] && constructorOfEach[2]);
    EXPECT_TRUE(names.count("WFingerPrint::staticMetaObject"));
    EXPECT_TRUE(names.count("vtable for WPinInput"));
}

TEST(LibraryFile, SonameIsVersionedAndTheDeviceLibrariesAreNotLinked) {
    const std::string dynamic = RunCommand("readelf -d '" + kLibrary + "'");
    EXPECT_NE(dynamic.find("Library soname: [libauthdlg.so.1]"), std::string::npos) << dynamic;
    EXPECT_EQ(dynamic.find("libfpdevice"), std::string::npos) << dynamic;
    EXPECT_EQ(dynamic.find("libhxpkcs"), std::string::npos) << dynamic;
    EXPECT_NE(dynamic.find("libQt6Widgets.so.6"), std::string::npos) << dynamic;
}

}  // namespace
