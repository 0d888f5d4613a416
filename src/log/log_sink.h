#pragma once

#include <string_view>

namespace tavro {

// Where the trace of a job goes: the dialog's log pane, or stderr on the command line.
// AppendText receives exactly the text to append; line breaks come only from the text.
class LogSink {
public:
    virtual ~LogSink() = default;
    virtual void AppendText(std::string_view text) = 0;
};

}  // namespace tavro
