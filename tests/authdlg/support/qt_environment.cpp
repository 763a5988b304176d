// One QApplication for the whole test program. The program sets up its own
// environment, so that it runs the same from ctest and by hand: Qt's
// offscreen platform unless another was chosen (the screenshot test uses
// xcb), the C locale (English texts whatever the user's language), and a
// private runtime directory.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>

#include <QtCore/QtGlobal>
#include <QtWidgets/QApplication>

// Read by ThreadSanitizer at start-up, in the ThreadSanitizer build only.
extern "C" __attribute__((visibility("default"), used)) const char *__tsan_default_options() {
    return "suppressions=" AUTHDLG_TSAN_SUPPRESSIONS " halt_on_error=1 second_deadlock_stack=1";
}

// Read by LeakSanitizer, in the AddressSanitizer build only: the X11
// platform's session bus connection keeps a buffer that D-Bus frees only
// at its own shutdown, which never comes in a test program.
extern "C" __attribute__((visibility("default"), used)) const char *__lsan_default_suppressions() {
    return "leak:libdbus-1.so\n";
}

namespace {

// The offscreen platform reports what it cannot do on every show.
void QuietMessages(QtMsgType type, const QMessageLogContext &context, const QString &message) {
    if (message.contains("does not support propagateSizeHints")) return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        setenv("LC_ALL", "C.UTF-8", 1);
        unsetenv("LANGUAGE");
        if (std::getenv("XDG_RUNTIME_DIR") == nullptr) {
            const std::string runtime = "/tmp/authdlg-tests-" + std::to_string(getuid());
            mkdir(runtime.c_str(), 0700);
            setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        }
        qInstallMessageHandler(QuietMessages);
        application_ = std::make_unique<QApplication>(argc_, argv_);
    }
    void TearDown() override { application_.reset(); }

private:
    int argc_ = 1;
    char name_[16] = "authdlg-tests";
    char *argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> application_;
};

[[maybe_unused]] const auto *const kRegistered = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace
