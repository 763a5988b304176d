#include "command_line_errors.h"

#include <algorithm>
#include <iostream>
#include <nlohmann/json.hpp>

namespace fpkey {
namespace {

size_t EditDistance(const std::string &a, const std::string &b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// An option of the command or of a command above it (options fall through).
const CLI::Option *FindOption(const CLI::App *app, const std::string &name) {
    for (; app; app = app->get_parent()) {
        if (const CLI::Option *option = app->get_option_no_throw(name)) return option;
    }
    return nullptr;
}

std::string Suggestion(const std::vector<const CLI::App *> &commands, const std::string &word) {
    std::string best;
    size_t bestDistance = std::max<size_t>(2, word.size() / 3) + 1;
    for (const CLI::App *command : commands) {
        const size_t distance = EditDistance(word, command->get_name());
        if (distance < bestDistance) best = command->get_name(), bestDistance = distance;
    }
    return best;
}

bool AsksForJson(const std::vector<std::string> &args) {
    const auto end = std::find(args.begin(), args.end(), "--");
    return std::find(args.begin(), end, "--json") != end;
}

}  // namespace

std::optional<std::string> UnknownCommand(const CLI::App &app, const std::vector<std::string> &args) {
    const CLI::App *current = &app;
    std::string path;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &word = args[i];
        if (word == "--") return std::nullopt;
        if (word.size() > 1 && word[0] == '-') {
            const std::string name = word.substr(0, word.find('='));
            const CLI::Option *option = FindOption(current, name);
            if (option && option->get_expected_min() > 0 && name == word) ++i;  // its value follows
            continue;
        }
        const auto commands = current->get_subcommands([](const CLI::App *) { return true; });
        if (commands.empty()) continue;  // an argument of the command
        const auto known = std::find_if(commands.begin(), commands.end(),
                                        [&](const CLI::App *command) { return command->check_name(word); });
        if (known != commands.end()) {
            current = *known;
            path += word + " ";
            continue;
        }
        const std::string suggestion = Suggestion(commands, word);
        return "unknown command '" + path + word + "'" +
               (suggestion.empty() ? "; 'fpkey --help' lists the commands"
                                   : "; did you mean '" + path + suggestion + "'?");
    }
    return std::nullopt;
}

int ReportCommandLineError(CLI::App &app, const CLI::ParseError &error, const std::vector<std::string> &args) {
    if (error.get_exit_code() == 0) return app.exit(error);  // help and version
    const std::optional<std::string> unknown = UnknownCommand(app, args);
    if (AsksForJson(args)) {
        const nlohmann::json report{{"ok", false}, {"error", unknown ? *unknown : std::string(error.what())}};
        std::cout << report.dump(2) << '\n';
    } else if (unknown) {
        std::cerr << "fpkey: " << *unknown << '\n';
    } else {
        app.exit(error);
    }
    return 2;
}

}  // namespace fpkey
