#pragma once

#include <string>
#include <vector>

namespace tavro::cli {

// The program speaks UTF-8 in and out. A POSIX terminal already does; a Windows console must be
// told to show UTF-8, and Windows hands main its arguments in the ANSI code page, which cannot
// hold every file name, so they are read again from the wide command line.
void ShowUtf8OnConsole();
std::vector<std::string> Utf8Arguments(int argc, char** argv);

}  // namespace tavro::cli
