#pragma once

#include <string_view>

#include "log/log_sink.h"

namespace tavro::upload {

// What an upload reports while it runs: its trace (LogSink), the progress in percent, and
// the failures of a text digest, which the user is shown at once.
class UploadSink : public LogSink {
public:
    virtual void SetProgress(int percent) = 0;
    virtual void ShowError(std::string_view text) = 0;
};

}  // namespace tavro::upload
