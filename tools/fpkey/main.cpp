// fpkey: every operation of the fingerprint key from the command line.
#include <CLI/CLI.hpp>

#include "cli.h"
#include "command_line_errors.h"
#include "pam_line_command.h"
#include "pcsc_commands.h"

int main(int argc, char **argv) {
    CLI::App app{"fpkey: talk to a USB fingerprint key (or the simulated one)"};
    app.require_subcommand(1);
    // The global options are accepted after the command too (fpkey list --json).
    app.fallthrough();
    app.set_version_flag("--version", "fpkey " FPKEY_VERSION);
    fpkey::Cli cli;
    app.add_option("-d,--device", cli.deviceAddress,
                   "Key address: sim, sim:PATH, sim-t0[:PATH], pcsc, pcsc:READER (default: $FPKEY_DEVICE, else sim)");
    app.add_flag("--json", cli.json, "Print one JSON object instead of text");
    app.add_flag("--no-auth", cli.skipAuthentication, "Do not authenticate the key before commands it guards");
    app.add_option("--wait", cli.waitSeconds, "Seconds to wait while another program has the key open")
        ->check(CLI::Range(0.0, 3600.0))
        ->capture_default_str();

    fpkey::AddDeviceCommands(app, cli);
    fpkey::AddTemplateCommands(app, cli);
    fpkey::AddSecurityCommands(app, cli);
    fpkey::AddImageCommands(app, cli);
    fpkey::AddSimulatorCommands(app, cli);
    fpkey::AddSimServeCommand(*app.get_subcommand("sim"), cli);
    fpkey::AddReaderCommands(app, cli);
    fpkey::AddPamLineCommand(app, cli);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError &error) {
        return fpkey::ReportCommandLineError(app, error, {argv + 1, argv + argc});
    }
    return cli.exitStatus;
}
