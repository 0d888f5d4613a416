#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

namespace tavro::cli {

// The arguments with each "--name=" of an option that takes a value spelled out as "--name"
// and an empty argument. The parser reads "--log=" as "--log" alone and takes the next
// argument for its value ("--log= 198.18.0.10 fw.bin" would log into a file named after the
// device); an empty value is what was typed, and is refused or taken as the option says.
// The command is the subcommand the first argument that is no option names, else app.
std::vector<std::string> EmptyValuesKept(CLI::App& app, std::vector<std::string> arguments);

}  // namespace tavro::cli
