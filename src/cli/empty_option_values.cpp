#include "cli/empty_option_values.h"

#include <algorithm>

namespace tavro::cli {
namespace {

// The subcommand the arguments name, or app itself.
const CLI::App& CommandOf(CLI::App& app, const std::vector<std::string>& arguments) {
    const auto named = std::find_if(arguments.begin(), arguments.end(),
                                    [](const std::string& a) { return !a.starts_with("-"); });
    if (named == arguments.end()) return app;
    for (const CLI::App* command : app.get_subcommands({})) {
        if (command->get_name() == *named) return *command;
    }
    return app;
}

bool TakesAValue(const CLI::Option* option) {
    return option != nullptr && !option->get_positional() && option->get_expected_min() > 0;
}

}  // namespace

std::vector<std::string> EmptyValuesKept(CLI::App& app, std::vector<std::string> arguments) {
    const CLI::App& command = CommandOf(app, arguments);
    std::vector<std::string> kept;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--") {
            kept.insert(kept.end(), arguments.begin() + static_cast<std::ptrdiff_t>(i),
                        arguments.end());
            break;
        }
        kept.push_back(argument);
        if (!argument.starts_with("-")) continue;
        const std::string name = argument.substr(0, argument.find('='));
        if (!TakesAValue(command.get_option_no_throw(name))) continue;
        if (argument.size() == name.size() + 1 && name.starts_with("--")) {
            kept.back() = name;
            kept.emplace_back();
        } else if (argument == name && i + 1 < arguments.size()) {
            // The next one is this option's value, whatever it looks like ("--", "--x=").
            kept.push_back(arguments[++i]);
        }
    }
    return kept;
}

}  // namespace tavro::cli
