#include <iostream>

#include "cli/commands.h"

int main(int argc, char** argv) {
    return tavro::cli::RunCli(argc, argv, tavro::cli::RealCliServices(), std::cout, std::cerr);
}
