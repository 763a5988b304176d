// The commands about templates: list, enroll, delete, verify and identify.
#ifndef FPKEY_TEMPLATE_COMMANDS_H
#define FPKEY_TEMPLATE_COMMANDS_H

#include "cli.h"

namespace fpkey {

// The template number argument every template command takes.
CLI::Option *AddTemplateNumber(CLI::App &command, int &number);

void AddEnrollCommand(CLI::App &app, Cli &cli);
void AddMatchCommands(CLI::App &app, Cli &cli);

}  // namespace fpkey

#endif
