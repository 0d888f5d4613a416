#pragma once

namespace tavro::ui {

// The process of the dialog program: answers --help and --version, otherwise runs the main
// dialog modally and returns the exit status when it has ended.
class WriterApp {
public:
    int Run(int argc, char** argv);
};

}  // namespace tavro::ui
