// The commands for keys behind PC/SC: listing the readers, and serving the
// simulated key as a card to pcscd.
#ifndef FPKEY_PCSC_COMMANDS_H
#define FPKEY_PCSC_COMMANDS_H

#include "cli.h"

namespace fpkey {

void AddReaderCommands(CLI::App &app, Cli &cli);
// Adds "serve" to the "sim" command.
void AddSimServeCommand(CLI::App &sim, Cli &cli);

}  // namespace fpkey

#endif
