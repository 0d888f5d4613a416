#include "cli/console/shown_arguments.h"

#include "cli/console/terminal_text.h"

namespace tavro::cli {
namespace {

constexpr char kPassword[] = "--password";
constexpr char kMasked[] = "***";

// Backslashes are already doubled by the escaping: a quote inside is told by its own one.
std::string Shown(const std::string& argument) {
    const std::string escaped = TerminalText(argument);
    if (!escaped.empty() && escaped.find_first_of(" \t\"'") == std::string::npos) return escaped;
    std::string quoted = "\"";
    for (const char c : escaped) quoted += c == '"' ? std::string("\\\"") : std::string(1, c);
    return quoted + "\"";
}

}  // namespace

// After "--" a "--password" is a device or a file's name; masking the next one too costs a
// support reader little, and a password shown never comes back.
std::string ShownArguments(const std::vector<std::string>& arguments) {
    std::string shown;
    bool valueIsSecret = false;
    for (const std::string& argument : arguments) {
        if (!shown.empty()) shown += ' ';
        if (valueIsSecret) {
            shown += kMasked;
        } else if (argument.starts_with(std::string(kPassword) + "=")) {
            shown += std::string(kPassword) + "=" + kMasked;
        } else {
            shown += Shown(argument);
        }
        valueIsSecret = !valueIsSecret && argument == kPassword;
    }
    return shown;
}

}  // namespace tavro::cli
