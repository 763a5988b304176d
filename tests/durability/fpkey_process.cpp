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

Outcome runFpkey(const std::filesystem::path &key, const std::vector<std::string> &arguments,
                 const std::vector<std::string> &settings) {
    std::vector<std::string> argumentText{FPKEY_TOOL, "--device", "sim:" + key.string()};
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

    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) throw std::runtime_error("pipe2 failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    pid_t child = 0;
    const int spawned = ::posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    Outcome outcome;
    if (spawned != 0) {
        ::close(pipeEnds[0]);
        outcome.output = std::string("cannot start fpkey: ") + std::strerror(spawned);
        return outcome;
    }
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(pipeEnds[0], buffer, sizeof buffer);
        if (got > 0) {
            outcome.output.append(buffer, static_cast<size_t>(got));
        } else if (got == 0 || errno != EINTR) {
            break;
        }
    }
    ::close(pipeEnds[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {}
    if (WIFEXITED(status)) outcome.exitStatus = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) outcome.signal = WTERMSIG(status);
    return outcome;
}

std::vector<std::string> killAtWrite(int writeNumber, const char *phase) {
    std::vector<std::string> settings(3);
    settings[0].append("LD_PRELOAD=").append(KILL_AFTER_WRITE_LIBRARY);
    settings[1].append("FPKEY_KILL_AT_WRITE=").append(std::to_string(writeNumber));
    settings[2].append("FPKEY_KILL_PHASE=").append(phase);
    return settings;
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
