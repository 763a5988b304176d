// Mistakes on the command line, told the way the rest of fpkey tells
// errors: a suggestion for a mistyped command, JSON under --json.
#ifndef FPKEY_COMMAND_LINE_ERRORS_H
#define FPKEY_COMMAND_LINE_ERRORS_H

#include <CLI/CLI.hpp>

#include <optional>
#include <string>
#include <vector>

namespace fpkey {

// "unknown command 'enrol'; did you mean 'enroll'?" when a word where a
// command belongs names none; nothing when the commands are all known.
std::optional<std::string> UnknownCommand(const CLI::App &app, const std::vector<std::string> &args);

// Reports a failed parse of `args` and returns the exit status: 0 for help
// and version, 2 for a mistake.
int ReportCommandLineError(CLI::App &app, const CLI::ParseError &error, const std::vector<std::string> &args);

}  // namespace fpkey

#endif
