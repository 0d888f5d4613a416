#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavro::cli {

// Every number on the command line is read as written in decimal: "010" is ten and "08080"
// is 8080 (a leading zero is no octal), "0x10" and "1e3" are no numbers. The parser's own
// conversion would read the first as eight and refuse the second.

// The value of a whole number written as an optional minus and decimal digits; nullopt for
// any other text, and for a number too large to hold.
std::optional<long long> DecimalWholeNumber(std::string_view text);
// The value of a number written as an optional minus, decimal digits and an optional
// fraction ("2", "2.5", ".5"); nullopt for any other text (hex, an exponent, "inf", "nan").
std::optional<double> DecimalNumber(std::string_view text);

// A number of seconds: a finite decimal number above 0 and at most a day ("abc", "nan" and
// "inf" are named as what they are not).
extern const CLI::Validator kSeconds;
// A whole number from `least` to `most`; a text that is no number is named as such.
CLI::Validator WholeNumberIn(long least, long most);
// An interface given by address or name; an empty text would quietly mean the first one.
extern const CLI::Validator kNotEmpty;

// Help that names arguments plainly: "SECONDS", "PORT", "DEVICE... FILE", without the
// parser's types and ranges.
class PlainFormatter : public CLI::Formatter {
public:
    std::string make_option_usage(const CLI::Option* option) const override;
    std::string make_option_opts(const CLI::Option* option) const override;
};

// An option for an interface (--interface ADDRESS|NAME).
CLI::Option* AddInterfaceOption(CLI::App& command, std::string& interface,
                                const std::string& description);

// An option whose value is a whole number from least to most, read in decimal; value keeps
// what it holds when the option is not given.
CLI::Option* AddWholeNumberOption(CLI::App& command, const std::string& name, int& value,
                                  long least, long most, const std::string& description);
CLI::Option* AddWholeNumberOption(CLI::App& command, const std::string& name, std::uint16_t& value,
                                  long least, long most, const std::string& description);
// An option whose value is a number of seconds (kSeconds), read in decimal.
CLI::Option* AddSecondsOption(CLI::App& command, const std::string& name, double& seconds,
                              const std::string& description);
CLI::Option* AddSecondsOption(CLI::App& command, const std::string& name,
                              std::optional<double>& seconds, const std::string& description);
// An option whose value is a file's path (FILE): an empty one names no file, and is refused
// rather than taken as "not given".
CLI::Option* AddPathOption(CLI::App& command, const std::string& name, std::string& path,
                           const std::string& description);

// Each argument of a positional list as it was typed: the parser would read an argument in
// brackets as a list of its own ("[a,b]" as a and b), naming devices or a file that were not.
CLI::Option* TakeEachArgumentLiterally(CLI::Option* positionals);

}  // namespace tavro::cli
