// A process without libfpdevice.so and libhxpkcs.so: HXLoginVerify names
// what is missing and refuses, instead of dying on an unresolved symbol.
#include <gtest/gtest.h>

#include <QtWidgets/QApplication>

#include "authdlg.h"

namespace {

const char *const kDeviceFunctions[] = {
    "HXSCardAuthBio",          "HXIsDactyl",
    "HXDactylGetVerifyMode",   "HXSCardVerifyUserPinBio",
    "HXDactylGetMaxTmpltNum",  "HXDactylReadIndexFile",
    "HXSCardVerifyUserPin",    "HXDactylGetSecState",
    "HXDactylCaptureImage",    "HXDactylFeatureExtract",
    "HXDactylFeatureIdentify",
};

TEST(MissingDeviceFunctions, LoginIsRefusedWithEveryMissingNameOnStandardError) {
    DeviceContext context{};
    uint8_t retries = 0;
    ::testing::internal::CaptureStderr();
    const uint64_t result = HXLoginVerify(&context, nullptr, LOGIN_PROMPT, 0, nullptr, &retries, 0);
    const std::string errors = ::testing::internal::GetCapturedStderr();

    EXPECT_EQ(result, 0x8000B001u);
    for (const char *name : kDeviceFunctions) {
        EXPECT_NE(errors.find(std::string("HXLoginVerify: ") + name + " "), std::string::npos) << name;
    }
    EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty()) << "nothing was shown";
}

TEST(MissingDeviceFunctions, RefusalComesBeforeAnApplicationObjectIsMade) {
    // The test program's own application object would be reused, so the
    // check is that the call leaves the process as it found it.
    DeviceContext context{};
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(HXLoginVerify(&context, nullptr, LOGIN_PROMPT, 0, nullptr, nullptr, 1), 0x8000B001u);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(QCoreApplication::instance(), qApp);
    EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty());
}

TEST(CacheChecks, NothingCountsAsCached) {
    DeviceContext context{};
    uint8_t retries = 3;
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(VerifyCachePin(&context), 0x8000B001u);
    EXPECT_EQ(VerifyCacheFinger(&context, &retries), 0x10000006u);
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("RetryTimes=3\n"), std::string::npos) << out;
    EXPECT_NE(out.find("hDev=0x"), std::string::npos) << out;
}

TEST(ExportedData, FlagsStartAtZeroAndProtocolRecordsMatchTheDeviceLibrary) {
    EXPECT_EQ(g_CancelPressed.load(), 0);
    EXPECT_EQ(Enable_Fingerprint_Mode, 0);
    EXPECT_EQ(g_rgSCardT0Pci.protocol, 1u);
    EXPECT_EQ(g_rgSCardT0Pci.pciLength, 8u);
    EXPECT_EQ(g_rgSCardT1Pci.protocol, 2u);
    EXPECT_EQ(g_rgSCardT1Pci.pciLength, 8u);
    EXPECT_EQ(sizeof g_CancelPressed, 2u);
}

}  // namespace
