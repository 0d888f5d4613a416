#pragma once

#include <string>
#include <vector>

namespace tavro::cli {

// A command line as a log shows it: the arguments one after another, each escaped as for a
// terminal and in double quotes when it is empty or holds a space or a quote, so that each
// can be told apart; the value of --password (given as the next argument or after "=") is
// shown as *** wherever it stands.
std::string ShownArguments(const std::vector<std::string>& arguments);

}  // namespace tavro::cli
