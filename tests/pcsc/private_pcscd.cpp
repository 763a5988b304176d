#include "private_pcscd.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>

#include <sys/wait.h>
#include <unistd.h>

namespace pcsc_test {
namespace {

struct ScriptRun {
    int status = -1;
    std::string output;  // standard output and error
};

ScriptRun runScript(const std::string &arguments) {
    const std::string command = std::string("bash ") + FPKEY_PCSC_DAEMON_SCRIPT + " " + arguments + " 2>&1";
    ScriptRun run;
    FILE *pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        run.output = "cannot run " + command;
        return run;
    }
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) {
        run.output += buffer;
    }
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// The value of NAME=VALUE in the script's output.
std::string setting(const std::string &output, const std::string &name) {
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(name + "=", 0) == 0) {
            return line.substr(name.size() + 1);
        }
    }
    return {};
}

}  // namespace

bool DaemonRequired() {
    const char *required = std::getenv("FPKEY_PCSC_REQUIRED");
    return required && std::string(required) == "1";
}

PrivatePcscd *PrivatePcscd::Get(std::string *whyNot) {
    static std::unique_ptr<PrivatePcscd> daemon;
    static std::string problem;
    if (!daemon && problem.empty()) {
        auto started = std::unique_ptr<PrivatePcscd>(
            new PrivatePcscd(std::filesystem::temp_directory_path() / ("fpkey-pcscd-" + std::to_string(::getpid()))));
        if (started->Start(&problem)) {
            daemon = std::move(started);
            ::setenv("PCSCLITE_CSOCK_NAME", (daemon->directory_ / "pcscd.comm").c_str(), 1);
        }
    }
    *whyNot = problem;
    return daemon.get();
}

bool PrivatePcscd::Start(std::string *problem) {
    const std::string port = port_ ? " --port " + std::to_string(port_) : "";
    // --auto-exit: a daemon whose test process died before stopping it ends by itself.
    const ScriptRun run = runScript("start " + directory_.string() + port + " --auto-exit");
    if (run.status != 0) {
        *problem = run.output.empty() ? "scripts/pcsc-daemon.sh failed" : run.output;
        return false;
    }
    port_ = static_cast<uint16_t>(std::stoi(setting(run.output, "FPKEY_VPCD_PORT")));
    return true;
}

void PrivatePcscd::Stop() { runScript("stop " + directory_.string()); }

PrivatePcscd::~PrivatePcscd() {
    Stop();
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
}

}  // namespace pcsc_test
