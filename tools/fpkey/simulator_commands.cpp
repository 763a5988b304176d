// sim touch|lift|inject|reset|status: the simulated key's virtual sensor
// and test controls. They open the key directly, without holding it, so they
// work while another program has the key open and waits for a finger.
#include <vector>

#include "cli.h"
#include "evaluate_command.h"
#include "hxkmgr.h"
#include "result_meaning.h"
#include "scan_placement.h"
#include "sim_status.h"

namespace fpkey {
namespace {

DeviceContext *SimulatedKey(Cli &cli) {
    if (!cli.Key().simulated()) throw UsageFailure{"'" + cli.Key().address() + "' is not a simulated key"};
    return cli.Device();
}

void Require(int result, const std::string &what) {
    if (result != 0) throw UsageFailure{what + ": " + HXKeyLastError()};
}

nlohmann::json Status(Cli &cli) {
    const nlohmann::json status = SimStatus(SimulatedKey(cli));
    if (!status.is_object()) throw UsageFailure{std::string("reading the simulated key's state: ") + HXKeyLastError()};
    return status;
}

}  // namespace

void AddSimulatorCommands(CLI::App &app, Cli &cli) {
    auto *sim = app.add_subcommand("sim", "Drive the simulated key");
    sim->require_subcommand(1);

    static std::string label;
    static std::string imagePath;
    static int dpi = 500;
    auto *touch = sim->add_subcommand("touch", "Place a virtual finger or a real scan on the sensor");
    auto *labelOption = touch->add_option("label", label, "The finger, e.g. alice-right-index");
    auto *imageOption = touch->add_option("--image", imagePath, "A fingerprint scan (8-bit gray PGM or PNG)");
    touch->add_option("--dpi", dpi, "The scan's resolution")
        ->check(CLI::Range(250, 2000))
        ->capture_default_str()
        ->needs(imageOption);
    labelOption->excludes(imageOption);
    touch->callback(cli.Action(
        [&cli] {
            if (imagePath.empty()) {
                if (label.empty()) throw UsageFailure{"sim touch needs a finger label or --image FILE"};
                Require(HXSimPlaceFinger(SimulatedKey(cli), label.c_str()), "placing the finger");
                cli.Say("finger '" + label + "' on the sensor");
                return;
            }
            PlaceScan(cli, SimulatedKey(cli), imagePath, dpi);
        },
        KeyShare::direct));

    sim->add_subcommand("lift", "Lift the finger off the sensor")
        ->callback(cli.Action(
            [&cli] {
                Require(HXSimLiftFinger(SimulatedKey(cli)), "lifting the finger");
                cli.Say("sensor is free");
            },
            KeyShare::direct));

    static std::string statusWord;
    static std::string kind;
    static unsigned count = 1;
    auto *inject = sim->add_subcommand("inject", "Make the next commands answer a status word");
    inject->add_option("status", statusWord, "Status word, e.g. 6A07 (poor image) or 0x6A0A (dirty sensor)")
        ->required();
    inject->add_option("--on", kind, "capture, extract, identify, verify, enroll, pin or any")
        ->check(CLI::IsMember({"capture", "extract", "identify", "verify", "enroll", "pin", "any"}));
    inject->add_option("--count", count, "How many commands")->check(CLI::Range(1, 1000))->capture_default_str();
    inject->callback(cli.Action(
        [&cli] {
            unsigned long value = 0;
            try {
                value = std::stoul(statusWord, nullptr, 16);
            } catch (const std::exception &) {
                throw UsageFailure{"'" + statusWord + "' is not a hexadecimal status word"};
            }
            if (value > 0xFFFF) throw UsageFailure{"a status word has 16 bits"};
            Require(HXSimInjectFault(SimulatedKey(cli), static_cast<uint32_t>(value),
                                     kind.empty() ? nullptr : kind.c_str(), count),
                    "injecting the fault");
            cli.Say("next " + std::to_string(count) + " " + (kind.empty() ? "affected" : kind) + " command(s) answer " +
                    Hex(value, 4) + " (" + StatusWordMeaning(static_cast<uint16_t>(value)) + ")");
        },
        KeyShare::direct));

    sim->add_subcommand("clear-faults", "Forget the injected faults")
        ->callback(cli.Action(
            [&cli] {
                Require(HXSimClearFaults(SimulatedKey(cli)), "clearing the faults");
                cli.Say("injected faults cleared");
            },
            KeyShare::direct));

    // Reset works on the address without opening the key, so that it also
    // replaces a state file the key cannot be opened from.
    sim->add_subcommand("reset", "Back to the factory state (templates, settings, PIN)")->callback(cli.Action([&cli] {
        const std::string address = cli.deviceAddress.empty() ? HXKeyDefaultAddress() : cli.deviceAddress;
        if (address.rfind("sim", 0) != 0) throw UsageFailure{"'" + address + "' is not a simulated key"};
        Require(HXSimResetKey(address.c_str()), "resetting the key");
        cli.Say("simulated key reset to its factory state");
    }));

    // On a real key, unblocking is the issuer's business.
    static std::string counter;
    auto *unblock = sim->add_subcommand("unblock", "Restore a blocked PIN or finger counter, keeping the templates");
    unblock->add_option("counter", counter, "pin or finger")->required()->check(CLI::IsMember({"pin", "finger"}));
    unblock->callback(cli.Action([&cli] {
        Require(HXSimUnblock(SimulatedKey(cli), counter.c_str()), "unblocking the " + counter + " counter");
        cli.Say(counter + " counter restored");
    }));

    AddEvaluateCommand(*sim, cli);

    sim->add_subcommand("status", "Show the simulated key's state")
        ->callback(cli.Action(
            [&cli] {
                const nlohmann::json status = Status(cli);
                cli.Result()["sim"] = status;
                cli.Say(status.dump(2));
            },
            KeyShare::direct));
}

}  // namespace fpkey
