// HXLoginVerify: application object and translation for the call, external
// authentication, the verify mode, and the dispatch to the cache checks, the
// PIN login or the fingerprint dialog.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <QtCore/QThread>
#include <QtCore/QTranslator>
#include <QtWidgets/QApplication>

#include "authdlg.h"
#include "console.h"
#include "device_calls.h"
#include "library_location.h"
#include "message_box.h"
#include "result_codes.h"
#include "translation_setup.h"
#include "wfingerprint.h"

namespace authdlg {
namespace {

enum class Branch { Success, CacheFail, PinLogin, FingerprintDialog, None };

// Checks go left to right and stop at the first that applies.
Branch Dispatch(DeviceContext *hDev, uint8_t verifyMode, uint8_t loginType, uint8_t *retryTimes) {
    if (verifyMode > 2 || loginType > LOGIN_CACHE_OR_PROMPT) return Branch::None;
    if (loginType != LOGIN_PROMPT) {
        const bool pinAccepted = verifyMode != 1;
        const bool fingerAccepted = verifyMode != 0;
        if (pinAccepted && VerifyCachePin(hDev) == 0) return Branch::Success;
        if (fingerAccepted && VerifyCacheFinger(hDev, retryTimes) == 0) return Branch::Success;
        if (loginType == LOGIN_CACHE_ONLY) return Branch::CacheFail;
    }
    return verifyMode == 0 ? Branch::PinLogin : Branch::FingerprintDialog;
}

// A key without the fingerprint application, or whose mode cannot be read,
// logs in by PIN.
uint8_t ReadVerifyMode(DeviceContext *hDev) {
    const DeviceCalls &device = Device();
    if (static_cast<int16_t>(device.isDactyl(hDev)) == 0) return 0;
    uint8_t mode = 0;
    if (device.getVerifyMode(hDev, &mode) != 0) return 0;
    return mode;
}

struct PassOutcome {
    uint64_t result;
    bool decided;  // false: the repeat test decides
};

PassOutcome FingerprintPass(DeviceContext *hDev, uint8_t verifyMode, uint64_t dwFlags, uint8_t *retryTimes) {
    auto dialog = std::make_unique<WFingerPrint>(hDev, verifyMode, dwFlags);
    const uint32_t code = static_cast<uint32_t>(CodeOf(dialog->exec()));
    dialog->WaitForWorker();
    const uint8_t retries = dialog->RetryTimes.load();
    *retryTimes = retries;
    dialog.reset();

    switch (code) {
        case 0: return {0, true};
        case LOGIN_E_CANCELLED:
        case kDialogResultCancel: return {kCancelled, true};
        case FP_E_VERIFY_MISMATCH:
        case FP_E_IDENTIFY_MISMATCH: return {LOGIN_E_FINGER_FAILED | retries, retries == 0};
        case LOGIN_E_LOCKED:
        case FP_E_LOCK:
        case kDeviceStopCode: return {code, true};
        default: return {code, false};
    }
}

uint64_t RunPasses(DeviceContext *hDev, QWidget *parent, uint8_t loginType, uint64_t dwFlags, uint8_t *retryTimes) {
    const bool silent = (dwFlags & LOGIN_FLAG_SILENT) != 0;
    for (;;) {
        if (Device().authBio(hDev) != 0) {
            if (!silent) {
                ShowMessage(parent, QMessageBox::Warning, QObject::tr("Fingerprint Authenticate"),
                            QObject::tr("Key can not be an external authentication"));
            }
            return LOGIN_E_AUTH_FAILED;
        }
        const uint8_t verifyMode = ReadVerifyMode(hDev);
        switch (Dispatch(hDev, verifyMode, loginType, retryTimes)) {
            case Branch::Success:
                if (!silent)
                    ShowMessage(parent, QMessageBox::Information, QObject::tr("Hexlumina"), QObject::tr("Success"));
                return 0;
            case Branch::CacheFail:
                if (!silent) {
                    ShowMessage(parent, QMessageBox::Warning, QObject::tr("Hexlumina"),
                                QObject::tr("Login with cache fail!"));
                }
                return LOGIN_E_NO_CACHE;
            case Branch::PinLogin: return VerifyUserPin(hDev, parent);
            case Branch::None:
                // Nothing to ask: a repeated pass would select nothing again.
                return LOGIN_E_NO_BRANCH;
            case Branch::FingerprintDialog: break;
        }
        const PassOutcome pass = FingerprintPass(hDev, verifyMode, dwFlags, retryTimes);
        const bool repeat =
            loginType != LOGIN_CACHE_ONLY && (dwFlags & LOGIN_FLAG_SINGLE_PASS) == 0 && pass.result != 0;
        if (pass.decided || !repeat) return pass.result;
    }
}

// A missing device function would end the process on its first call; the
// login is refused instead, naming what the host did not load.
bool DeviceCallsPresent() {
    const std::vector<std::string> missing = BindDeviceCalls();
    for (const std::string &name : missing) {
        std::fprintf(stderr,
                     "HXLoginVerify: %s is not loaded in this process (load libfpdevice.so and "
                     "libhxpkcs.so with RTLD_GLOBAL first)\n",
                     name.c_str());
    }
    return missing.empty();
}

// Dialogs need a QApplication and its GUI thread.
bool GuiReady() {
    if (qobject_cast<QApplication *>(QCoreApplication::instance()) == nullptr) {
        std::fprintf(stderr, "HXLoginVerify: no QApplication object (pass bCreateApp to have one made)\n");
        return false;
    }
    if (QThread::currentThread() != QCoreApplication::instance()->thread()) {
        std::fprintf(stderr, "HXLoginVerify: must be called on the Qt GUI thread\n");
        return false;
    }
    return true;
}

}  // namespace
}  // namespace authdlg

extern "C" AUTHDLG_API uint64_t HXLoginVerify(DeviceContext *hDev, QWidget *parent, uint8_t loginType, uint64_t dwFlags,
                                              void *pReserved, uint8_t *RetryTimes, int bCreateApp) {
    using namespace authdlg;
    (void)pReserved;
    if (!DeviceCallsPresent()) return LOGIN_E_UNAVAILABLE;
    uint8_t ignoredRetries = 0;
    if (RetryTimes == nullptr) RetryTimes = &ignoredRetries;

    // Both live until the application object is gone: it keeps references.
    int argc = 1;
    char program[] = "testmain";
    char *argv[] = {program, nullptr};
    std::unique_ptr<QApplication> application;
    // A second application object would break the host's; an existing one is used instead.
    if ((bCreateApp & 0xFF) != 0 && QCoreApplication::instance() == nullptr) {
        ConsoleLine("new QApplication object........");
        application = std::make_unique<QApplication>(argc, argv);
    }
    if (!GuiReady()) return LOGIN_E_UNAVAILABLE;
    // Beside the library, never beside the working directory: a plug-in
    // runs as code in the login process.
    const QString plugins = PluginDirectory();
    if (!plugins.isEmpty()) QCoreApplication::addLibraryPath(plugins);

    auto translator = std::make_unique<QTranslator>();
    LoadTranslation(translator.get());
    QCoreApplication::installTranslator(translator.get());

    const uint64_t result = RunPasses(hDev, parent, loginType, dwFlags, RetryTimes);

    QCoreApplication::removeTranslator(translator.get());
    if (application) {
        ConsoleLine("delete QApplication object........");
        application.reset();
    }
    ConsoleLine("return from HXLoginVerify........");
    translator.reset();
    return result;
}
