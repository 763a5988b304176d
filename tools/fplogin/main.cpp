// fplogin: the login demo and reference host of libauthdlg.so. It opens the
// key, loads libfpdevice.so and libhxpkcs.so with global visibility and then
// libauthdlg.so, and calls HXLoginVerify. On the simulated key it enrols the
// demo finger first and shows a virtual sensor beside the dialog; without a
// display (or with --headless) it plays the user and prints every text the
// dialogs show. Exits 0 only when the login succeeds.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include <QtCore/QLocale>
#include <QtCore/QTranslator>
#include <QtWidgets/QApplication>

#include "demo_host.h"
#include "demo_key.h"
#include "host_libraries.h"
#include "hxkmgr.h"
#include "key_session.h"
#include "login_result.h"

namespace {

struct Options {
    std::string device;
    unsigned loginType = LOGIN_PROMPT;
    uint64_t flags = 0;
    int createApp = 1;
    bool headless = false;
    std::string pin;
    std::string finger = "demo";
    std::string image;
    int verifyMode = -1;
    bool reset = false;
    int answerTimeout = 30;
};

// When HXLoginVerify makes the application object, the demo joins in as it
// is created.
fplogin::DemoOptions g_demoOptions;
std::unique_ptr<fplogin::DemoHost> g_demoHost;
void JoinNewApplication() {
    // The sensor window in the user's language, beside the dialogs.
    auto *translator = new QTranslator(QCoreApplication::instance());
    const QString directory = QCoreApplication::applicationDirPath() + "/" FPLOGIN_TRANSLATIONS_FROM_BINDIR;
    if (translator->load(QLocale(), "fplogin", "_", directory)) QCoreApplication::installTranslator(translator);
    g_demoHost = std::make_unique<fplogin::DemoHost>(g_demoOptions);
}

// The offscreen platform reports on every show what it cannot do, and a
// server session often has no runtime directory, which the demo never uses.
void QuietOffscreenMessages(QtMsgType type, const QMessageLogContext &context, const QString &message) {
    if (message.contains("does not support propagateSizeHints")) return;
    if (message.contains("XDG_RUNTIME_DIR not set")) return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

bool DisplayAvailable() {
    const char *x11 = std::getenv("DISPLAY");
    const char *wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

int Fail(const std::string &message, int status) {
    std::fprintf(stderr, "fplogin: %s\n", message.c_str());
    return status;
}

}  // namespace

int main(int argc, char **argv) {
    CLI::App app{"fplogin: log in at the fingerprint key with libauthdlg.so (default: the simulated key)"};
    Options options;
    app.add_option("-d,--device", options.device,
                   "Key address: sim, sim:PATH, sim-t0[:PATH] (default: $FPKEY_DEVICE, else sim)");
    app.add_option("-t,--login-type", options.loginType, "0 cache only, 1 prompt, 2 cache or prompt")
        ->check(CLI::Range(0, 255))
        ->capture_default_str();
    app.add_option("-f,--flags", options.flags, "0x2 silent, 0x1000 single pass")->capture_default_str();
    app.add_option("--create-app", options.createApp,
                   "bCreateApp: 1 lets HXLoginVerify make the application object, 0 makes it here")
        ->check(CLI::Range(0, 1))
        ->capture_default_str();
    app.add_flag("--headless", options.headless,
                 "No display: offscreen, a scripted touch after 1 s, every text printed (default without DISPLAY)");
    app.add_option("--pin", options.pin, "Headless: the PIN typed when the PIN dialog appears (else Cancel)");
    app.add_option("--finger", options.finger, "Simulated key: the enrolled virtual finger")->capture_default_str();
    app.add_option("--image", options.image,
                   "Simulated key, headless: present this scan (PGM or PNG) instead of the finger")
        ->check(CLI::ExistingFile);
    app.add_option("--verify-mode", options.verifyMode,
                   "Simulated key: set the verify mode first (0 PIN, 1 finger, 2 either)")
        ->check(CLI::Range(0, 2));
    app.add_flag("--reset", options.reset, "Simulated key: back to the factory state first");
    app.add_option("--answer-timeout", options.answerTimeout, "Headless: seconds before an unanswered dialog is closed")
        ->check(CLI::Range(1, 600))
        ->capture_default_str();
    CLI11_PARSE(app, argc, argv);

    const bool headless = options.headless || !DisplayAvailable();
    if (headless) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        qInstallMessageHandler(QuietOffscreenMessages);
    }

    fplogin::HostLibraries libraries;
    std::string error;
    if (!libraries.Load(&error)) return Fail(error, 2);

    const std::string address = options.device.empty() ? HXKeyDefaultAddress() : options.device;
    const bool simulated = address.rfind("sim", 0) == 0;
    if (options.reset && simulated && HXSimResetKey(address.c_str()) != 0) {
        return Fail(std::string("cannot reset the simulated key: ") + HXKeyLastError(), 2);
    }
    auto key = fpkey::KeySession::Open(address, &error);
    if (!key) return Fail(error, 2);

    std::unique_ptr<fplogin::VerifyModeRestorer> restoreVerifyMode;
    if (simulated) {
        const fplogin::DeviceFunctions &device = libraries.device();
        // Enrolment needs a fingerprint verify mode; the login gets the mode
        // asked for (or the key's own), and the key its own back at the end.
        uint8_t mode = 1;
        device.authBio(key->handle());
        device.getVerifyMode(key->handle(), &mode);
        restoreVerifyMode = std::make_unique<fplogin::VerifyModeRestorer>(device, key->handle(), mode);
        if (mode == 0) device.setVerifyMode(key->handle(), 1);
        const uint8_t number = fplogin::EnsureEnrolled(device, key->handle(), options.finger, &error);
        if (number == 0) return Fail("cannot enrol the demo finger: " + error, 1);
        std::printf("fplogin: simulated key %s, finger \"%s\" enrolled as template %u\n", address.c_str(),
                    options.finger.c_str(), number);
        const uint8_t current = mode == 0 ? 1 : mode;
        const uint8_t wanted = options.verifyMode >= 0 ? static_cast<uint8_t>(options.verifyMode) : mode;
        if (wanted != current) {
            const uint64_t set = device.setVerifyMode(key->handle(), wanted);
            if (set != 0) return Fail("cannot set the verify mode: " + fplogin::DescribeLoginResult(set), 1);
        }
    } else if (options.reset || options.verifyMode >= 0) {
        return Fail("--reset and --verify-mode only apply to a simulated key", 2);
    }

    g_demoOptions = fplogin::DemoOptions{
        key->handle(),        simulated, headless, options.finger, options.image, !options.pin.empty(), options.pin,
        options.answerTimeout};
    std::unique_ptr<QApplication> application;
    if (options.createApp != 0) {
        qAddPreRoutine(&JoinNewApplication);
    } else {
        static int qtArgc = 1;
        application = std::make_unique<QApplication>(qtArgc, argv);
        JoinNewApplication();
    }

    std::printf("fplogin: HXLoginVerify(loginType %u, flags 0x%llX, bCreateApp %d)%s\n", options.loginType,
                static_cast<unsigned long long>(options.flags), options.createApp, headless ? ", headless" : "");
    std::fflush(stdout);
    uint8_t retryTimes = 0;
    const uint64_t result = libraries.loginVerify()(key->handle(), nullptr, static_cast<uint8_t>(options.loginType),
                                                    options.flags, nullptr, &retryTimes, options.createApp);
    g_demoHost.reset();
    application.reset();
    if (simulated) HXSimLiftFinger(key->handle());
    restoreVerifyMode.reset();

    std::printf("fplogin: result %s (RetryTimes %u)\n", fplogin::DescribeLoginResult(result).c_str(), retryTimes);
    if (simulated && result == LOGIN_E_LOCKED) {
        std::printf("fplogin: fplogin --reset gives the simulated key its factory state\n");
    }
    return result == 0 ? 0 : 1;
}
