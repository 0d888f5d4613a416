#pragma once

#include <CLI/CLI.hpp>

namespace tavro::cli {

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

}  // namespace tavro::cli
