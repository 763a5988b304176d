#include "served_key.h"

#include <csignal>
#include <cstring>
#include <stdexcept>
#include <vector>

#include <fcntl.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "hxkmgr.h"

namespace pcsc_test {
namespace {

constexpr auto kServeWait = std::chrono::seconds(5);
constexpr const char *kCommandMark = "fpkey sim serve: > ";

}  // namespace

ServedKeyThread::ServedKeyThread(const std::string &address, uint16_t port)
    : card_(address, kServeWait), stop_(::eventfd(0, EFD_CLOEXEC)) {
    thread_ = std::thread([this, port] {
        simkey::vpcd::CardServer server(card_, {port, false, [](const std::string &) {}});
        server.run(stop_);
    });
}

ServedKeyThread::~ServedKeyThread() {
    const uint64_t one = 1;
    if (::write(stop_, &one, sizeof one) != sizeof one) {
        std::terminate();  // a server thread that is never told to stop would hang the test
    }
    thread_.join();
    ::close(stop_);
}

int ServedKeyThread::LastImage(uint64_t *lines, uint64_t *lineBytes, uint8_t *pixels, size_t capacity) {
    return card_.lastImage(lines, lineBytes, pixels, capacity);
}

ServedKeyProcess::ServedKeyProcess(const std::filesystem::path &state, uint16_t port) {
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe2 failed");
    }
    std::vector<std::string> arguments{FPKEY_TOOL, "--wait",      "5",      "sim",
                                       "serve",    "--trace",     "--port", std::to_string(port),
                                       "--state",  state.string()};
    std::vector<char *> argv;
    for (auto &argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    const pid_t parent = ::getpid();
    child_ = ::fork();
    if (child_ == 0) {
        // A server outliving a crashed test would hold the key forever.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) {
            ::_exit(127);
        }
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        ::dup2(pipeEnds[1], STDERR_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    if (child_ < 0) {
        ::close(pipeEnds[0]);
        throw std::runtime_error("fork failed");
    }
    watcher_ = std::thread([this, output = pipeEnds[0]] { Watch(output); });
}

void ServedKeyProcess::Watch(int output) {
    char buffer[4096];
    std::string line;
    for (;;) {
        const ssize_t got = ::read(output, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        std::lock_guard guard(mutex_);
        for (ssize_t i = 0; i < got; ++i) {
            log_ += buffer[i];
            if (buffer[i] != '\n') {
                line += buffer[i];
                continue;
            }
            if (!killAt_.empty() && line.rfind(kCommandMark + killAt_, 0) == 0) {
                ::kill(child_, SIGKILL);
                killAt_.clear();
            }
            line.clear();
        }
    }
    ::close(output);
    int status = 0;
    while (::waitpid(child_, &status, 0) < 0 && errno == EINTR) {}
    std::lock_guard guard(mutex_);
    ended_ = true;
    status_ = status;
    changed_.notify_all();
}

void ServedKeyProcess::KillAtCommand(const std::string &apdu) {
    std::lock_guard guard(mutex_);
    killAt_ = apdu;
}

bool ServedKeyProcess::Killed(std::chrono::milliseconds wait) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, wait, [this] { return ended_; });
    return ended_ && WIFSIGNALED(status_) && WTERMSIG(status_) == SIGKILL;
}

int ServedKeyProcess::Terminate() {
    std::unique_lock lock(mutex_);
    if (!ended_) {
        ::kill(child_, SIGTERM);
    }
    changed_.wait(lock, [this] { return ended_; });
    return WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
}

std::string ServedKeyProcess::Log() {
    std::lock_guard guard(mutex_);
    return log_;
}

ServedKeyProcess::~ServedKeyProcess() {
    Terminate();
    watcher_.join();
}

int OpenWhenInserted(const std::string &address, DeviceContext *context, std::chrono::milliseconds patience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        const int opened = HXKeyConnect(address.c_str(), HXKEY_SHARE_EXCLUSIVE, 2000, context);
        if (opened == 0 || std::chrono::steady_clock::now() >= deadline) {
            return opened;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

bool WaitUntilRemoved(const std::string &reader, std::chrono::milliseconds patience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        HXKeyReader readers[4];
        size_t count = 0;
        bool present = false;
        if (HXKeyListReaders(readers, 4, &count) == 0) {
            for (size_t i = 0; i < count && i < 4; ++i) {
                present = present || (readers[i].name == reader && readers[i].cardPresent);
            }
        }
        if (!present) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

}  // namespace pcsc_test
