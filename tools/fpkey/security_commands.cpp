// auth and pin: the key's external authentication and the user PIN, both
// through the PKCS library.
#include <termios.h>
#include <unistd.h>

#include <iostream>
#include <string>

#include "cli.h"
#include "fpdevice/transport.h"
#include "result_meaning.h"

namespace fpkey {
namespace {

constexpr size_t kMaxPinBytes = 16;

// Reads a PIN from standard input without echoing it on a terminal.
std::string ReadPin() {
    const bool terminal = isatty(STDIN_FILENO);
    termios saved{};
    if (terminal) {
        std::cerr << "PIN: " << std::flush;
        tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    std::string pin;
    std::getline(std::cin, pin);
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        std::cerr << '\n';
    }
    return pin;
}

void Wipe(std::string &secret) {
    volatile char *bytes = secret.data();
    for (size_t i = 0; i < secret.size(); ++i) bytes[i] = 0;
    secret.clear();
}

void VerifyPin(Cli &cli, std::string pin) {
    if (pin.empty()) pin = ReadPin();
    if (pin.empty() || pin.size() > kMaxPinBytes) {
        Wipe(pin);
        throw UsageFailure{"the PIN must have 1 to 16 characters"};
    }
    uint16_t statusWord = 0;
    const uint64_t result = HXSCardVerifyUserPinBio(cli.Device(), reinterpret_cast<const uint8_t *>(pin.data()),
                                                    static_cast<uint8_t>(pin.size()), &statusWord);
    Wipe(pin);
    if (result != 0 && (statusWord & 0xFFF0) == SW_VERIFY_FAILED_BASE) {
        cli.Result()["attempts_left"] = statusWord & 0x0F;
    }
    cli.Check("PIN verification", result);
    cli.Say("PIN accepted");
}

}  // namespace

void AddSecurityCommands(CLI::App &app, Cli &cli) {
    app.add_subcommand("auth", "Authenticate the key (challenge-response)")->callback(cli.Action([&cli] {
        cli.Check("external authentication", HXSCardAuthBio(cli.Device()));
        cli.Say("key authenticated");
    }));

    static std::string pin;
    auto *command = app.add_subcommand("pin", "Verify the user PIN (asked for when not given)");
    command->add_option("pin", pin, "The PIN; better typed at the prompt than left in the shell history");
    command->callback(cli.Action([&cli] { VerifyPin(cli, pin); }));
}

}  // namespace fpkey
