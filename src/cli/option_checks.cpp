#include "cli/option_checks.h"

#include <cmath>
#include <cstdlib>

namespace tavro::cli {

const CLI::Validator kSeconds(
    [](std::string& text) -> std::string {
        char* end = nullptr;
        const double value = std::strtod(text.c_str(), &end);
        if (text.empty() || end != text.c_str() + text.size())
            return "'" + text + "' is not a number";
        // A range alone would pass NaN, which compares false with everything.
        if (!std::isfinite(value)) return "'" + text + "' is not a finite number";
        if (value < 0.001 || value > 86400.0) return "seconds lie in 0.001..86400, not " + text;
        return {};
    },
    "", "SECONDS");

CLI::Validator WholeNumberIn(long least, long most) {
    return CLI::Validator(
        [least, most](std::string& text) -> std::string {
            char* end = nullptr;
            const long value = std::strtol(text.c_str(), &end, 10);
            if (text.empty() || end != text.c_str() + text.size()) {
                return "'" + text + "' is not a whole number";
            }
            if (value < least || value > most) {
                return std::to_string(least) + ".." + std::to_string(most) + ", not " + text;
            }
            return {};
        },
        "", "WHOLE-NUMBER");
}

// The positionals of write are one list, of which the last is the file: named as a user reads
// them, not with the parser's "..." behind.
std::string PlainFormatter::make_option_usage(const CLI::Option* option) const {
    if (option->get_name() == "DEVICE... FILE") return option->get_name();
    return CLI::Formatter::make_option_usage(option);
}

std::string PlainFormatter::make_option_opts(const CLI::Option* option) const {
    if (option->get_name() == "DEVICE... FILE") return {};
    return CLI::Formatter::make_option_opts(option);
}

const CLI::Validator kNotEmpty(
    [](std::string& text) {
        return text.empty() ? std::string("an interface address or name, not an empty text")
                            : std::string();
    },
    "", "NOT-EMPTY");

CLI::Option* AddInterfaceOption(CLI::App& command, std::string& interface,
                                const std::string& description) {
    return command.add_option("--interface", interface, description)
        ->type_name("ADDRESS|NAME")
        ->check(kNotEmpty);
}

}  // namespace tavro::cli
