#include "cli/option_checks.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

namespace tavro::cli {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view WithoutMinus(std::string_view text) {
    return text.starts_with('-') ? text.substr(1) : text;
}

bool AllDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), IsDigit);
}

// Digits with at most one point among them, and at least one digit.
bool IsDecimalFraction(std::string_view text) {
    const std::size_t point = text.find('.');
    if (point == std::string_view::npos) return AllDigits(text);
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction = text.substr(point + 1);
    return (whole.empty() || AllDigits(whole)) && (fraction.empty() || AllDigits(fraction)) &&
           !(whole.empty() && fraction.empty());
}

// What the C library would read as a number that is none: "nan", "inf", "Infinity", "nan(1)".
bool NamesANonFiniteNumber(std::string_view text) {
    std::string lower(text.starts_with('+') ? text.substr(1) : WithoutMinus(text));
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower == "inf" || lower == "infinity" || lower == "nan" || lower.starts_with("nan(");
}

}  // namespace

std::optional<long long> DecimalWholeNumber(std::string_view text) {
    if (!AllDigits(WithoutMinus(text))) return std::nullopt;
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<double> DecimalNumber(std::string_view text) {
    if (!IsDecimalFraction(WithoutMinus(text))) return std::nullopt;
    double value = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

const CLI::Validator kSeconds(
    [](std::string& text) -> std::string {
        if (NamesANonFiniteNumber(text)) return "'" + text + "' is not a finite number";
        if (!IsDecimalFraction(WithoutMinus(text))) return "'" + text + "' is not a number";
        const std::optional<double> value = DecimalNumber(text);
        if (!value || *value < 0.001 || *value > 86400.0) {
            return "seconds lie in 0.001..86400, not " + text;
        }
        return {};
    },
    "", "SECONDS");

CLI::Validator WholeNumberIn(long least, long most) {
    return CLI::Validator(
        [least, most](std::string& text) -> std::string {
            if (!AllDigits(WithoutMinus(text))) return "'" + text + "' is not a whole number";
            const std::optional<long long> value = DecimalWholeNumber(text);
            if (!value || *value < least || *value > most) {
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

// The option's text is checked first (the callback runs only after every check passed), then
// read here, never by the parser.
template <typename Number>
CLI::Option* AddDecimalWholeNumber(CLI::App& command, const std::string& name, Number& value,
                                   long least, long most, const std::string& description) {
    return command
        .add_option_function<std::string>(
            name,
            [&value](const std::string& text) {
                value = static_cast<Number>(DecimalWholeNumber(text).value_or(0));
            },
            description)
        ->check(WholeNumberIn(least, most));
}

CLI::Option* AddWholeNumberOption(CLI::App& command, const std::string& name, int& value,
                                  long least, long most, const std::string& description) {
    return AddDecimalWholeNumber(command, name, value, least, most, description);
}

CLI::Option* AddWholeNumberOption(CLI::App& command, const std::string& name, std::uint16_t& value,
                                  long least, long most, const std::string& description) {
    return AddDecimalWholeNumber(command, name, value, least, most, description);
}

CLI::Option* AddSecondsOption(CLI::App& command, const std::string& name, double& seconds,
                              const std::string& description) {
    return command
        .add_option_function<std::string>(
            name,
            [&seconds](const std::string& text) { seconds = DecimalNumber(text).value_or(0); },
            description)
        ->type_name("SECONDS")
        ->check(kSeconds);
}

CLI::Option* AddSecondsOption(CLI::App& command, const std::string& name,
                              std::optional<double>& seconds, const std::string& description) {
    return command
        .add_option_function<std::string>(
            name, [&seconds](const std::string& text) { seconds = DecimalNumber(text); },
            description)
        ->type_name("SECONDS")
        ->check(kSeconds);
}

CLI::Option* AddPathOption(CLI::App& command, const std::string& name, std::string& path,
                           const std::string& description) {
    return command.add_option(name, path, description)
        ->type_name("FILE")
        ->check(CLI::Validator(
            [](std::string& text) {
                return text.empty() ? std::string("a file's path, not an empty text")
                                    : std::string();
            },
            "", "PATH"));
}

// A list of a fixed length takes each argument as one item, where an open-ended one reads
// brackets as a list; the length is beyond any command line, and the list takes as many as
// there are.
CLI::Option* TakeEachArgumentLiterally(CLI::Option* positionals) {
    constexpr int kLongerThanAnyCommandLine = 1 << 24;
    return positionals->expected(kLongerThanAnyCommandLine)
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

}  // namespace tavro::cli
