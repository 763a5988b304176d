// What every fpkey command shares: the options, the open key and the way
// results are reported (lines for people, one JSON object for scripts).
#ifndef FPKEY_CLI_H
#define FPKEY_CLI_H

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "hxkmgr.h"
#include "key_session.h"

namespace fpkey {

// A device call that did not succeed; ends the command with exit status 1.
struct DeviceFailure {
    std::string operation;
    uint64_t code;
};

// What the key's state forbids (an occupied or empty template, a finger
// enrolled already); ends the command with exit status 1.
struct Refusal {
    std::string message;
};

// A problem with what the user asked for; ends the command with status 2.
struct UsageFailure {
    std::string message;
};

class Cli {
public:
    std::string deviceAddress;
    bool json = false;
    bool skipAuthentication = false;
    double waitSeconds = HXKEY_DEFAULT_WAIT_MS / 1000.0;  // for a key another program holds
    int exitStatus = 0;

    // The key, opened on first use as the running command shares it.
    KeySession &Key();
    DeviceContext *Device() { return Key().handle(); }

    // Runs external authentication once per run, for commands the key guards.
    void Authenticate();

    // Throws DeviceFailure unless code is 0.
    void Check(const std::string &operation, uint64_t code);

    // Text for people (not shown with --json).
    void Say(const std::string &line);
    // A field of the JSON result (also kept for text mode callers).
    nlohmann::json &Result() { return result_; }

    // Runs one command, reports its outcome and sets exitStatus.
    void Run(const std::function<void()> &command);
    // A subcommand callback that runs `command` through Run. Commands that
    // only read share the key with other readers; driving the simulated
    // key's sensor holds nothing.
    std::function<void()> Action(std::function<void()> command, KeyShare share = KeyShare::exclusive) {
        return [this, command, share] {
            share_ = share;
            Run(command);
        };
    }

private:
    KeyShare share_ = KeyShare::exclusive;
    std::unique_ptr<KeySession> key_;
    bool authenticated_ = false;
    nlohmann::json result_ = nlohmann::json::object();
};

// Each family of commands adds its subcommands to the application.
void AddDeviceCommands(CLI::App &app, Cli &cli);
void AddTemplateCommands(CLI::App &app, Cli &cli);
void AddSecurityCommands(CLI::App &app, Cli &cli);
void AddImageCommands(CLI::App &app, Cli &cli);
void AddSimulatorCommands(CLI::App &app, Cli &cli);

std::string Hex(uint64_t value, int digits);

}  // namespace fpkey

#endif
