// The PKCS bridge loads libhxpkcs.so by name for each call. Each case runs
// in a child process on a private copy of libfpdevice.so, placed in a folder
// that holds either no PKCS library or one of the doubles, so the loader
// finds exactly the library the case is about.
#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "test_names.h"
#include "fpdevice/transport.h"

namespace fs = std::filesystem;

namespace {

struct BridgeOutcome {
    uint64_t auth = 0;
    uint64_t firstPin = 0;
    uint64_t secondPin = 0;
    uint16_t statusWord = 0;
    std::string printed;
};

using AuthFn = uint64_t (*)(DeviceContext *);
using PinFn = uint64_t (*)(DeviceContext *, const uint8_t *, uint8_t, uint16_t *);

// `variant` names the PKCS double to put beside the copy ("" for none).
BridgeOutcome RunBridge(const std::string &variant, uint64_t handleValue) {
    const fs::path folder = fs::temp_directory_path() / ("fpkey-bridge-" + std::to_string(getpid()) + variant);
    fs::remove_all(folder);
    fs::create_directories(folder);
    const fs::path library = fs::canonical(fs::path(FPKEY_LIBRARY_DIR) / "libfpdevice.so.1");
    fs::copy_file(library, folder / "libfpdevice.so.1");
    if (!variant.empty()) {
        fs::copy_file(fs::path(FPKEY_PKCS_DOUBLE_DIR) / ("pkcs_" + variant) / "libhxpkcs.so", folder / "libhxpkcs.so");
    }
    const fs::path printedFile = folder / "stdout.txt";
    const fs::path resultFile = folder / "result.bin";

    const pid_t child = fork();
    if (child == 0) {
        if (!freopen(printedFile.c_str(), "w", stdout)) _exit(3);
        void *copy = dlopen((folder / "libfpdevice.so.1").c_str(), RTLD_NOW | RTLD_LOCAL);
        if (copy == nullptr) _exit(4);
        auto auth = reinterpret_cast<AuthFn>(dlsym(copy, "HXSCardAuthBio"));
        auto pin = reinterpret_cast<PinFn>(dlsym(copy, "HXSCardVerifyUserPinBio"));
        DeviceContext context{};
        context.state = 3;
        context.keyManagerHandle = handleValue;
        BridgeOutcome outcome;
        outcome.statusWord = 0xABCD;
        outcome.auth = auth(&context);
        const uint8_t wrong[] = {'9', '9', '9', '9'};
        const uint8_t right[] = {'1', '2', '3', '4'};
        outcome.firstPin = pin(&context, wrong, 4, &outcome.statusWord);
        uint16_t unused = 0;
        outcome.secondPin = pin(&context, right, 4, &unused);
        fflush(stdout);
        std::ofstream out(resultFile, std::ios::binary);
        out.write(reinterpret_cast<const char *>(&outcome), offsetof(BridgeOutcome, printed));
        out.close();
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    BridgeOutcome outcome;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
    std::ifstream in(resultFile, std::ios::binary);
    in.read(reinterpret_cast<char *>(&outcome), offsetof(BridgeOutcome, printed));
    std::stringstream printed;
    printed << std::ifstream(printedFile).rdbuf();
    outcome.printed = printed.str();
    fs::remove_all(folder);
    return outcome;
}

TEST(PkcsBridge, WithoutTheLibraryBothBridgesFailAndSayWhy) {
    const BridgeOutcome outcome = RunBridge("", 0);
    EXPECT_EQ(outcome.auth, 0x8000010Au);
    EXPECT_EQ(outcome.firstPin, 0x8000010Cu);
    EXPECT_EQ(outcome.secondPin, 0x8000010Cu);
    EXPECT_EQ(outcome.statusWord, 0xABCD) << "the bridge never writes the status word";
    EXPECT_EQ(outcome.printed,
              "Failed load library libhxpkcs.so\n"
              "Failed load library libhxpkcs.so\n"
              "Failed load library libhxpkcs.so\n");
}

TEST(PkcsBridge, ResultsPassThroughUnchanged) {
    const BridgeOutcome outcome = RunBridge("full", 0x80006983);
    EXPECT_EQ(outcome.auth, 0x80006983u);
    EXPECT_EQ(outcome.firstPin, 0x80006983u);
    EXPECT_EQ(outcome.statusWord, 0x6983);
    EXPECT_EQ(outcome.secondPin, 0u) << "a second call loads the library again";
    EXPECT_EQ(outcome.printed, "");
}

TEST(PkcsBridge, MissingAuthEntryFailsOnlyAuthentication) {
    const BridgeOutcome outcome = RunBridge("pin_only", 0x63C2);
    EXPECT_EQ(outcome.auth, 0x8000010Au);
    EXPECT_EQ(outcome.firstPin, 0x800063C2u);
    EXPECT_EQ(outcome.statusWord, 0x63C2);
    EXPECT_EQ(outcome.secondPin, 0u);
    EXPECT_EQ(outcome.printed, "Failed load library libhxpkcs.so\n");
}

}  // namespace
