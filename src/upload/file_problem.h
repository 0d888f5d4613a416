#pragma once

#include <string>
#include <system_error>

#include "upload/upload_report.h"

namespace tavro::upload {

// The problem a system error names for a file; fileReason gets the system's words when the
// error is none of the usual ones.
FileProblem FileProblemFrom(const std::error_code& error, std::string& reason);

// Why a file whose length could be taken still cannot be digested: it cannot be opened (the
// system's reason), or it is empty. FileProblem::None when neither explains it.
FileProblem WhyUnreadable(const std::string& path, std::string& reason);

}  // namespace tavro::upload
