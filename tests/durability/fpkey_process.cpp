#include "fpkey_process.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace durability_test {
namespace {

// The sanitizers want their runtime first among the loaded libraries; a
// preloaded library comes before it, which is harmless here.
std::string sanitizerOptions() {
    const char *options = std::getenv("ASAN_OPTIONS");
    return std::string("ASAN_OPTIONS=") + (options && *options ? std::string(options) + ":" : "") +
           "verify_asan_link_order=0";
}

}  // namespace

Running startFpkey(const std::vector<std::string> &arguments, const std::vector<std::string> &settings) {
    std::vector<std::string> argumentText{FPKEY_TOOL};
    argumentText.insert(argumentText.end(), arguments.begin(), arguments.end());
    std::vector<std::string> environmentText;
    for (char **entry = environ; *entry; ++entry) {
        if (std::strncmp(*entry, "ASAN_OPTIONS=", 13) != 0 && std::strncmp(*entry, "FPKEY_", 6) != 0) {
            environmentText.emplace_back(*entry);
        }
    }
    environmentText.push_back(sanitizerOptions());
    environmentText.insert(environmentText.end(), settings.begin(), settings.end());

    std::vector<char *> argv, envp;
    for (auto &text : argumentText) argv.push_back(text.data());
    argv.push_back(nullptr);
    for (auto &text : environmentText) envp.push_back(text.data());
    envp.push_back(nullptr);

    Running running;
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
        running.startFailure = std::string("cannot start fpkey: pipe2: ") + std::strerror(errno);
        return running;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    const int spawned = ::posix_spawn(&running.process, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    if (spawned != 0) {
        ::close(pipeEnds[0]);
        running.process = -1;
        running.startFailure = std::string("cannot start fpkey: ") + std::strerror(spawned);
        return running;
    }
    running.output = pipeEnds[0];
    return running;
}

bool stillRunning(const Running &running) {
    if (running.process < 0) return false;
    siginfo_t info{};
    return ::waitid(P_PID, static_cast<id_t>(running.process), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == 0;
}

Outcome finishFpkey(Running running) {
    Outcome outcome;
    if (running.process < 0) {
        outcome.output = running.startFailure;
        return outcome;
    }
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(running.output, buffer, sizeof buffer);
        if (got > 0) {
            outcome.output.append(buffer, static_cast<size_t>(got));
        } else if (got == 0 || errno != EINTR) {
            break;
        }
    }
    ::close(running.output);
    int status = 0;
    while (::waitpid(running.process, &status, 0) < 0 && errno == EINTR) {}
    if (WIFEXITED(status)) outcome.exitStatus = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) outcome.signal = WTERMSIG(status);
    return outcome;
}

Outcome runFpkey(const std::filesystem::path &key, const std::vector<std::string> &arguments,
                 const std::vector<std::string> &settings) {
    std::vector<std::string> withDevice{"--device", "sim:" + key.string()};
    withDevice.insert(withDevice.end(), arguments.begin(), arguments.end());
    return finishFpkey(startFpkey(withDevice, settings));
}

ScratchDirectory::ScratchDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "fpkey-durability-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

ScratchDirectory::~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace durability_test
