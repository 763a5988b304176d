// list, enroll, delete, verify and identify.
#include <cstring>
#include <iomanip>
#include <sstream>
#include <vector>

#include "cli.h"
#include "finger_capture.h"
#include "fpdevice/dactyl.h"

namespace fpkey {
namespace {

struct TemplateOptions {
    int number = 0;
    int tag = 0;
    FingerOptions finger;
};

std::vector<uint8_t> ReadIndex(Cli &cli, uint8_t *capacity) {
    cli.Check("reading the template capacity", HXDactylGetMaxTmpltNum(cli.Device(), capacity));
    std::vector<uint8_t> index(FP_INDEX_MAX_BYTES);
    if (*capacity != 0) cli.Check("reading the template index", HXDactylReadIndexFile(cli.Device(), index.data()));
    return index;
}

// The caller data of an index entry holds the finger's label.
std::string LabelOf(const uint8_t *entry) {
    std::string label(reinterpret_cast<const char *>(FpIndexEntryCallerData(entry)), FP_INDEX_CALLER_DATA_SIZE);
    label.resize(std::strlen(label.c_str()));
    for (char &c : label) {
        if (c < 0x20 || c > 0x7E) c = '.';
    }
    return label;
}

void List(Cli &cli) {
    uint8_t capacity = 0;
    const std::vector<uint8_t> index = ReadIndex(cli, &capacity);
    nlohmann::json entries = nlohmann::json::array();
    std::ostringstream table;
    table << "No  Enrolled  Tag  File    Finger\n";
    int enrolled = 0;
    for (unsigned n = 1; n <= capacity; ++n) {
        const uint8_t *entry = index.data() + FP_INDEX_ENTRY_OFFSET(n);
        const uint16_t fileId = FpIndexEntryFileId(entry);
        const bool isEnrolled = FpIndexEntryEnrolled(entry);
        enrolled += isEnrolled;
        entries.push_back({{"number", n},
                           {"enrolled", isEnrolled},
                           {"tag", FpIndexEntryTag(entry)},
                           {"file_id", Hex(fileId, 4)},
                           {"finger", LabelOf(entry)}});
        table << std::left << std::setw(4) << int(n) << std::setw(10) << (isEnrolled ? "yes" : "no") << std::setw(5)
              << int(FpIndexEntryTag(entry)) << std::setw(8) << (fileId ? Hex(fileId, 4) : "-") << LabelOf(entry)
              << '\n';
    }
    cli.Result()["capacity"] = capacity;
    cli.Result()["enrolled"] = enrolled;
    cli.Result()["templates"] = entries;
    cli.Say(table.str() + std::to_string(enrolled) + " of " + std::to_string(capacity) + " templates enrolled");
}

void Enroll(Cli &cli, const TemplateOptions &options) {
    cli.Authenticate();
    PlacedFinger finger(cli, options.finger);
    for (uint8_t slot = 1; slot <= 3; ++slot) {
        CaptureAndExtract(cli, options.finger, slot,
                          "capture " + std::to_string(slot) + "/3: place your finger on the sensor");
        cli.Say("capture " + std::to_string(slot) + "/3 done");
    }
    uint8_t description[FP_INDEX_ENTRY_SIZE] = {};
    FpIndexEntrySetTag(description, static_cast<uint8_t>(options.tag));
    FpIndexEntrySetCallerData(description, reinterpret_cast<const uint8_t *>(options.finger.finger.data()),
                              options.finger.finger.size());
    cli.Check("enrolment", HXDactylFeatureEnroll(cli.Device(), static_cast<uint8_t>(options.number), description));
    cli.Result()["number"] = options.number;
    cli.Say("enrolled template " + std::to_string(options.number));
}

void Verify(Cli &cli, const TemplateOptions &options) {
    cli.Authenticate();
    PlacedFinger finger(cli, options.finger);
    CaptureAndExtract(cli, options.finger, 1, "place your finger on the sensor");
    uint8_t attempts = 0xFF;
    const uint64_t result = HXDactylFeatureVerify(cli.Device(), 0, static_cast<uint8_t>(options.number), &attempts);
    if (attempts != 0xFF) cli.Result()["attempts_left"] = attempts;
    if (result == FP_E_VERIFY_MISMATCH) cli.Say("no match; attempts left: " + std::to_string(attempts));
    cli.Check("verification", result);
    cli.Result()["number"] = options.number;
    cli.Say("finger matches template " + std::to_string(options.number));
}

void Identify(Cli &cli, const TemplateOptions &options) {
    cli.Authenticate();
    PlacedFinger finger(cli, options.finger);
    CaptureAndExtract(cli, options.finger, 1, "place your finger on the sensor");
    uint8_t matched = 0;
    uint8_t attempts = 0xFF;
    const uint64_t result = HXDactylFeatureIdentify(cli.Device(), 0, &matched, &attempts);
    if (attempts != 0xFF) cli.Result()["attempts_left"] = attempts;
    if (result == FP_E_IDENTIFY_MISMATCH) cli.Say("no template matched; attempts left: " + std::to_string(attempts));
    cli.Check("identification", result);
    cli.Result()["number"] = matched;
    cli.Say("finger matches template " + std::to_string(matched));
}

CLI::Option *AddNumber(CLI::App &command, TemplateOptions &options) {
    return command.add_option("number", options.number, "Template number (1 to the capacity)")
        ->required()
        ->check(CLI::Range(1, 255));
}

}  // namespace

void AddTemplateCommands(CLI::App &app, Cli &cli) {
    static TemplateOptions options;

    app.add_subcommand("list", "Show the template index")
        ->callback(cli.Action([&cli] { List(cli); }, KeyShare::shared));

    auto *enroll = app.add_subcommand("enroll", "Enrol a finger as template N (three captures)");
    AddNumber(*enroll, options);
    enroll->add_option("--tag", options.tag, "A byte of your own stored with the template")->check(CLI::Range(0, 255));
    AddFingerOptions(*enroll, options.finger);
    enroll->callback(cli.Action([&cli] { Enroll(cli, options); }));

    auto *remove = app.add_subcommand("delete", "Delete template N");
    AddNumber(*remove, options);
    remove->callback(cli.Action([&cli] {
        cli.Authenticate();
        cli.Check("deletion", HXDactylDeleteFingerPrint(cli.Device(), static_cast<uint8_t>(options.number)));
        cli.Result()["number"] = options.number;
        cli.Say("deleted template " + std::to_string(options.number));
    }));

    auto *verify = app.add_subcommand("verify", "Match a finger against template N");
    AddNumber(*verify, options);
    AddFingerOptions(*verify, options.finger);
    verify->callback(cli.Action([&cli] { Verify(cli, options); }));

    auto *identify = app.add_subcommand("identify", "Find the template a finger matches");
    AddFingerOptions(*identify, options.finger);
    identify->callback(cli.Action([&cli] { Identify(cli, options); }));
}

}  // namespace fpkey
