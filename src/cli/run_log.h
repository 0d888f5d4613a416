#pragma once

#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/console/trace_log.h"

namespace tavro::cli {

// The files a write reads, which its log must never be.
struct RunInputs {
    std::string firmware;
    std::string passwordFile;  // empty: none
};

// write --log FILE: the log opened for this run, its first line written, and kept whole when
// a stop signal ends the run. Refused when it is one of the inputs by what the file is (a
// hard link, a symbolic link, another spelling of the same path), or the file standard output
// or standard error goes to: exit 64. nullptr with the exit status after a message on err.
std::shared_ptr<TraceLog> OpenRunLog(const std::string& path, const RunInputs& inputs,
                                     const CommandContext& context, int& status);

}  // namespace tavro::cli
