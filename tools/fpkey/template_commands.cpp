// list and delete; enroll, verify and identify have files of their own.
#include "template_commands.h"

#include <iomanip>
#include <sstream>

#include "fpdevice/dactyl.h"
#include "template_index.h"

namespace fpkey {
namespace {

void List(Cli &cli) {
    const TemplateIndex index = TemplateIndex::Read(cli);
    nlohmann::json entries = nlohmann::json::array();
    std::ostringstream table;
    table << "No  Enrolled  Tag  File    Finger\n";
    for (unsigned n = 1; n <= index.capacity(); ++n) {
        const uint8_t *entry = index.entry(n);
        const uint16_t fileId = FpIndexEntryFileId(entry);
        entries.push_back({{"number", n},
                           {"enrolled", index.enrolled(n)},
                           {"tag", FpIndexEntryTag(entry)},
                           {"file_id", Hex(fileId, 4)},
                           {"finger", index.description(n)}});
        table << std::left << std::setw(4) << n << std::setw(10) << (index.enrolled(n) ? "yes" : "no") << std::setw(5)
              << int(FpIndexEntryTag(entry)) << std::setw(8) << (fileId ? Hex(fileId, 4) : "-") << index.description(n)
              << '\n';
    }
    cli.Result()["capacity"] = index.capacity();
    cli.Result()["enrolled"] = index.enrolledCount();
    cli.Result()["templates"] = entries;
    cli.Say(table.str() + std::to_string(index.enrolledCount()) + " of " + std::to_string(index.capacity()) +
            " templates enrolled");
}

}  // namespace

CLI::Option *AddTemplateNumber(CLI::App &command, int &number) {
    return command.add_option("number", number, "Template number (1 to the capacity)")
        ->required()
        ->check(CLI::Range(1, 255));
}

void AddTemplateCommands(CLI::App &app, Cli &cli) {
    app.add_subcommand("list", "Show the template index")
        ->callback(cli.Action([&cli] { List(cli); }, KeyShare::shared));

    AddEnrollCommand(app, cli);

    static int number = 0;
    auto *remove = app.add_subcommand("delete", "Delete template N");
    AddTemplateNumber(*remove, number);
    remove->callback(cli.Action([&cli] {
        cli.Authenticate();
        cli.Check("deletion", HXDactylDeleteFingerPrint(cli.Device(), static_cast<uint8_t>(number)));
        cli.Result()["number"] = number;
        cli.Say("deleted template " + std::to_string(number));
    }));

    AddMatchCommands(app, cli);
}

}  // namespace fpkey
