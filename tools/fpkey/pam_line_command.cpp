#include "pam_line_command.h"

#include <pwd.h>
#include <unistd.h>

#include "key_serial.h"

namespace fpkey {
namespace {

// The login name of the user running the tool, from the password database:
// $USER says whatever the caller put there.
std::string InvokingUser() {
    const passwd *entry = getpwuid(getuid());
    if (entry == nullptr || entry->pw_name == nullptr) throw UsageFailure{"cannot tell who you are: name a user"};
    return entry->pw_name;
}

}  // namespace

void AddPamLineCommand(CLI::App &app, Cli &cli) {
    static std::string user;
    auto *command = app.add_subcommand("pam-line", "Print the authfile line (user:serial) for the key at hand");
    command->add_option("user", user, "The user the key belongs to (default: you)");
    command->callback(cli.Action(
        [&cli] {
            const std::string name = user.empty() ? InvokingUser() : user;
            if (name.find_first_of(":,\n") != std::string::npos) throw UsageFailure{"a user name holds no ':' or ','"};
            const std::string serial = ReadKeySerial(cli.Device());
            if (serial.empty()) throw UsageFailure{"the key reports no serial number"};
            cli.Result()["user"] = name;
            cli.Result()["serial"] = serial;
            cli.Result()["line"] = name + ":" + serial;
            cli.Say(name + ":" + serial);
        },
        KeyShare::shared));
}

}  // namespace fpkey
