// enroll: three captures of one finger into a template, refusing what would
// lose or duplicate an enrolled finger.
#include "cli.h"
#include "finger_capture.h"
#include "fpdevice/dactyl.h"
#include "sim_status.h"
#include "template_commands.h"
#include "template_index.h"

namespace fpkey {
namespace {

constexpr uint8_t kCaptures = 3;

struct EnrollOptions {
    int number = 0;
    int tag = 0;
    std::string description;
    bool replace = false;
    bool allowDuplicate = false;
    FingerOptions finger;
};

// The index keeps FP_INDEX_CALLER_DATA_SIZE bytes of description; a longer
// one would be listed cut, so it is refused before any capture.
void RequireFits(const std::string &description, const std::string &source) {
    if (description.size() <= FP_INDEX_CALLER_DATA_SIZE) return;
    throw UsageFailure{"the description '" + description + "' (" + source + ") has " +
                       std::to_string(description.size()) + " bytes; the index holds at most " +
                       std::to_string(FP_INDEX_CALLER_DATA_SIZE) +
                       (source == "--description" ? "" : " (give a shorter --description)")};
}

// The label of the virtual finger the simulated key captured last: what a
// finger placed with 'fpkey sim touch' is called.
std::string CapturedLabel(Cli &cli) {
    const nlohmann::json status = SimStatus(cli.Device());
    const nlohmann::json label = status.is_object() ? status.value("capturedFinger", nlohmann::json()) : nullptr;
    return label.is_string() ? label.get<std::string>() : std::string();
}

// Matches the first capture against the enrolled templates in the key's
// test mode, which uses up none of the user's attempts.
void RefuseDuplicate(Cli &cli, const TemplateIndex &index, const EnrollOptions &options) {
    uint8_t matched = 0;
    const uint64_t result = HXDactylFeatureVerifyTest(cli.Device(), 0, &matched);
    if (result == FP_E_IDENTIFY_MISMATCH) return;
    if (result != FP_OK) {
        throw DeviceFailure{"checking whether the finger is enrolled already (--allow-duplicate skips it)", result};
    }
    if (options.replace && matched == options.number) return;  // the same finger enrolled afresh
    throw Refusal{"this finger is enrolled already as " + index.Name(matched) + "; --allow-duplicate enrolls it again"};
}

void Enroll(Cli &cli, const EnrollOptions &options) {
    const bool described = !options.description.empty();
    std::string description = described ? options.description : options.finger.finger;
    RequireFits(description, described ? "--description" : "--finger");
    const auto number = static_cast<unsigned>(options.number);
    const TemplateIndex index = TemplateIndex::Read(cli);
    index.RequireNumber(number);
    if (index.enrolled(number) && !options.replace) {
        throw Refusal{index.Name(number) + " is enrolled; --replace overwrites it"};
    }
    cli.Authenticate();
    FingerSensor sensor(cli, options.finger);
    for (uint8_t capture = 1; capture <= kCaptures; ++capture) {
        const std::string step = "capture " + std::to_string(capture) + "/" + std::to_string(kCaptures);
        if (capture > 1) sensor.AwaitLift();
        sensor.CaptureInto(capture, capture - 1u, step + ": place your finger on the sensor");
        cli.Say(step + " done");
        if (capture != 1) continue;
        if (description.empty() && options.finger.images.empty() && cli.Key().simulated()) {
            description = CapturedLabel(cli);
            RequireFits(description, "the finger on the sensor");
        }
        if (!options.allowDuplicate && index.enrolledCount() != 0) RefuseDuplicate(cli, index, options);
    }
    uint8_t entry[FP_INDEX_ENTRY_SIZE] = {};
    FpIndexEntrySetTag(entry, static_cast<uint8_t>(options.tag));
    FpIndexEntrySetCallerData(entry, reinterpret_cast<const uint8_t *>(description.data()), description.size());
    cli.Check("enrolment", HXDactylFeatureEnroll(cli.Device(), static_cast<uint8_t>(number), entry));
    cli.Result()["number"] = number;
    cli.Result()["description"] = description;
    cli.Result()["replaced"] = index.enrolled(number);
    cli.Say((index.enrolled(number) ? "replaced " : "enrolled ") + std::string("template ") + std::to_string(number) +
            (description.empty() ? "" : " ('" + description + "')"));
}

}  // namespace

void AddEnrollCommand(CLI::App &app, Cli &cli) {
    static EnrollOptions options;
    auto *enroll = app.add_subcommand("enroll", "Enroll a finger as template N (three captures)");
    AddTemplateNumber(*enroll, options.number);
    enroll->add_option("--tag", options.tag, "A byte of your own stored with the template")->check(CLI::Range(0, 255));
    enroll->add_option("--description", options.description,
                       "Up to 16 bytes stored with the template (default: the finger's label)");
    enroll->add_flag("--replace", options.replace, "Overwrite the finger enrolled as template N");
    enroll->add_flag("--allow-duplicate", options.allowDuplicate,
                     "Enroll a finger that already matches another template");
    AddFingerOptions(*enroll, options.finger);
    enroll->callback(cli.Action([&cli] { Enroll(cli, options); }));
}

}  // namespace fpkey
