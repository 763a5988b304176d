// verify and identify: one finger against the templates, once or --repeat N
// times with a tally.
#include "cli.h"
#include "finger_capture.h"
#include "fpdevice/dactyl.h"
#include "result_meaning.h"
#include "template_commands.h"
#include "template_index.h"

namespace fpkey {
namespace {

struct MatchOptions {
    int number = 0;  // 0: identify
    int repeat = 0;
    FingerOptions finger;
};

constexpr char kPlacePrompt[] = "place your finger on the sensor";

// Checks the index first: the key answers a match against nothing with a
// status the device API reports only as unrecognised.
void RequireTemplates(Cli &cli, unsigned number) {
    const TemplateIndex index = TemplateIndex::Read(cli);
    if (number == 0) {
        if (index.enrolledCount() == 0) throw Refusal{"no finger is enrolled"};
        return;
    }
    index.RequireNumber(number);
    if (!index.enrolled(number)) throw Refusal{"template " + std::to_string(number) + " is empty"};
}

void VerifyOnce(Cli &cli, FingerSensor &sensor, uint8_t number) {
    sensor.CaptureInto(1, 0, kPlacePrompt);
    uint8_t attempts = 0xFF;
    const uint64_t result = HXDactylFeatureVerify(cli.Device(), 0, number, &attempts);
    if (attempts != 0xFF) cli.Result()["attempts_left"] = attempts;
    if (result == FP_E_VERIFY_MISMATCH) cli.Say("no match; attempts left: " + std::to_string(attempts));
    cli.Check("verification", result);
    cli.Result()["number"] = number;
    cli.Say("finger matches template " + std::to_string(number));
}

void IdentifyOnce(Cli &cli, FingerSensor &sensor) {
    sensor.CaptureInto(1, 0, kPlacePrompt);
    uint8_t matched = 0;
    uint8_t attempts = 0xFF;
    const uint64_t result = HXDactylFeatureIdentify(cli.Device(), 0, &matched, &attempts);
    if (attempts != 0xFF) cli.Result()["attempts_left"] = attempts;
    if (result == FP_E_IDENTIFY_MISMATCH) cli.Say("no template matched; attempts left: " + std::to_string(attempts));
    cli.Check("identification", result);
    cli.Result()["number"] = matched;
    cli.Say("finger matches template " + std::to_string(matched));
}

// Tries the finger `tries` times in the key's test mode, which uses up none
// of the user's attempts, the way a sensor is put to the test. A try whose
// capture the key cannot use counts as failed; no finger at all ends the run.
void Tally(Cli &cli, FingerSensor &sensor, int tries, uint8_t number) {
    int matched = 0, noMatch = 0, failed = 0;
    for (int attempt = 1; attempt <= tries; ++attempt) {
        const std::string step = "try " + std::to_string(attempt) + "/" + std::to_string(tries);
        if (attempt > 1) sensor.AwaitLift();
        uint64_t result = FP_OK;
        uint8_t found = number;
        try {
            sensor.CaptureInto(1, static_cast<size_t>(attempt - 1), step + ": " + kPlacePrompt);
            result = HXDactylFeatureVerifyTest(cli.Device(), number != 0, &found);
        } catch (const DeviceFailure &failure) {
            if (failure.code == FP_E_CAPTURE_PENDING) throw;
            result = failure.code;
        }
        if (result == FP_OK) {
            ++matched;
            cli.Say(step + ": matches template " + std::to_string(found));
        } else if (result == FP_E_VERIFY_MISMATCH || result == FP_E_IDENTIFY_MISMATCH) {
            ++noMatch;
            cli.Say(step + ": no match");
        } else {
            ++failed;
            cli.Say(step + ": " + DescribeResult(result));
        }
    }
    cli.Result()["tries"] = tries;
    cli.Result()["matched"] = matched;
    cli.Result()["no_match"] = noMatch;
    cli.Result()["failed"] = failed;
    if (number != 0) cli.Result()["number"] = number;
    const std::string tally = std::to_string(matched) + " of " + std::to_string(tries) + " tries matched, " +
                              std::to_string(noMatch) + " did not match, " + std::to_string(failed) + " failed";
    if (matched != tries) throw Refusal{tally};
    cli.Say(tally);
}

void AddRepeat(CLI::App &command, MatchOptions &options) {
    command.add_option("--repeat", options.repeat, "Try the finger N times and print a tally (uses up no attempts)")
        ->check(CLI::Range(1, 1000));
}

}  // namespace

void AddMatchCommands(CLI::App &app, Cli &cli) {
    static MatchOptions options;

    auto *verify = app.add_subcommand("verify", "Match a finger against template N");
    AddTemplateNumber(*verify, options.number);
    AddRepeat(*verify, options);
    AddFingerOptions(*verify, options.finger);
    verify->callback(cli.Action([&cli] {
        const auto number = static_cast<uint8_t>(options.number);
        RequireTemplates(cli, number);
        cli.Authenticate();
        FingerSensor sensor(cli, options.finger);
        options.repeat ? Tally(cli, sensor, options.repeat, number) : VerifyOnce(cli, sensor, number);
    }));

    auto *identify = app.add_subcommand("identify", "Find the template a finger matches");
    AddRepeat(*identify, options);
    AddFingerOptions(*identify, options.finger);
    identify->callback(cli.Action([&cli] {
        options.number = 0;
        RequireTemplates(cli, 0);
        cli.Authenticate();
        FingerSensor sensor(cli, options.finger);
        options.repeat ? Tally(cli, sensor, options.repeat, 0) : IdentifyOnce(cli, sensor);
    }));
}

}  // namespace fpkey
