#include "fpkey_run.h"

#include <cerrno>
#include <stdexcept>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace pcsc_test {

FpkeyRun StartFpkey(const std::vector<std::string> &arguments) {
    std::vector<std::string> text{FPKEY_TOOL};
    text.insert(text.end(), arguments.begin(), arguments.end());
    std::vector<char *> argv;
    for (auto &argument : text) argv.push_back(argument.data());
    argv.push_back(nullptr);
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) throw std::runtime_error("pipe2 failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    FpkeyRun run;
    const int spawned = ::posix_spawn(&run.process, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    if (spawned != 0) {
        ::close(pipeEnds[0]);
        throw std::runtime_error("cannot start fpkey");
    }
    run.output = pipeEnds[0];
    return run;
}

bool StillRunning(const FpkeyRun &run) {
    siginfo_t info{};
    return ::waitid(P_PID, static_cast<id_t>(run.process), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == 0;
}

FpkeyOutcome FinishFpkey(FpkeyRun run) {
    FpkeyOutcome outcome;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(run.output, buffer, sizeof buffer);
        if (got > 0) {
            outcome.output.append(buffer, static_cast<size_t>(got));
        } else if (got == 0 || errno != EINTR) {
            break;
        }
    }
    ::close(run.output);
    int status = 0;
    while (::waitpid(run.process, &status, 0) < 0 && errno == EINTR) {}
    if (WIFEXITED(status)) outcome.exitStatus = WEXITSTATUS(status);
    return outcome;
}

}  // namespace pcsc_test
