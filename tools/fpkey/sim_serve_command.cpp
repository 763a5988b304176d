// sim serve: the simulated key as a card behind pcscd, through the vpcd
// reader driver, until SIGINT or SIGTERM.
#include <csignal>
#include <iostream>

#include <sys/signalfd.h>
#include <unistd.h>

#include "hxkmgr.h"
#include "pcsc_commands.h"
#include "simkey/vpcd/card_server.h"

namespace fpkey {
namespace {

struct ServeSettings {
    int port = 35963;
    std::string state;
    bool t0 = false;
    bool trace = false;
};

std::string ServedAddress(const Cli &cli, const ServeSettings &settings) {
    std::string address = !settings.state.empty()      ? "sim:" + settings.state
                          : !cli.deviceAddress.empty() ? cli.deviceAddress
                                                       : HXKeyDefaultAddress();
    if (address.rfind("sim", 0) != 0) {
        throw UsageFailure{"'" + address + "' is not a simulated key: sim serve serves one (--state PATH, or " +
                           "--device sim[:PATH])"};
    }
    if (settings.t0 && address.rfind("sim-t0", 0) != 0) address.insert(3, "-t0");
    return address;
}

// SIGINT and SIGTERM, taken as readable events instead of as interruptions.
class StopSignals {
public:
    StopSignals() {
        sigemptyset(&signals_);
        sigaddset(&signals_, SIGINT);
        sigaddset(&signals_, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &signals_, nullptr);
        descriptor_ = signalfd(-1, &signals_, SFD_CLOEXEC);
        if (descriptor_ < 0) throw UsageFailure{"cannot watch for SIGINT and SIGTERM"};
    }
    ~StopSignals() { close(descriptor_); }
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

    int descriptor() const { return descriptor_; }
    // The signal that came (taken, so it does not strike later), or 0.
    int Take() {
        signalfd_siginfo info{};
        return read(descriptor_, &info, sizeof info) == sizeof info ? static_cast<int>(info.ssi_signo) : 0;
    }

private:
    sigset_t signals_{};
    int descriptor_ = -1;
};

void Serve(Cli &cli, const ServeSettings &settings) {
    const std::string address = ServedAddress(cli, settings);
    StopSignals stop;
    auto say = [](const std::string &line) { std::cerr << "fpkey sim serve: " << line << std::endl; };
    try {
        simkey::vpcd::ServedCard card(address, std::chrono::milliseconds(static_cast<long>(cli.waitSeconds * 1000)));
        say("serving " + address + " (" + (card.talksT0() ? "T=0" : "T=1") + ") to the vpcd reader on port " +
            std::to_string(settings.port) + "; stop with Ctrl-C");
        simkey::vpcd::CardServer server(card, {static_cast<uint16_t>(settings.port), settings.trace, say});
        server.run(stop.descriptor());
    } catch (const simkey::vpcd::ServeFailure &failure) {
        throw UsageFailure{failure.what()};
    }
    const int signal = stop.Take();
    say(std::string("stopped") + (signal ? std::string(" by ") + sigabbrev_np(signal) : ""));
    cli.Result()["served"] = address;
}

}  // namespace

void AddSimServeCommand(CLI::App &sim, Cli &cli) {
    static ServeSettings settings;
    auto *serve = sim.add_subcommand("serve", "Serve the simulated key as a card to pcscd's vpcd reader driver");
    serve->add_option("--port", settings.port, "The vpcd driver's port (35963 for its first reader, 35964 the second)")
        ->check(CLI::Range(1, 65535))
        ->capture_default_str();
    serve->add_option("--state", settings.state,
                      "The key's state file (default: the --device key, else the default key)");
    serve->add_flag("--t0", settings.t0, "Talk T=0: answers with data come through 61xx and GET RESPONSE");
    serve->add_flag("--trace", settings.trace, "Log every command APDU and its answer");
    serve->callback(cli.Action([&cli] { Serve(cli, settings); }, KeyShare::direct));
}

}  // namespace fpkey
