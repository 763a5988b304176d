// fpkey pam-line: the login mapping line of the key at hand.
#ifndef FPKEY_PAM_LINE_COMMAND_H
#define FPKEY_PAM_LINE_COMMAND_H

#include "cli.h"

namespace fpkey {

void AddPamLineCommand(CLI::App &app, Cli &cli);

}  // namespace fpkey

#endif
