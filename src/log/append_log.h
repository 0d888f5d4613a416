#pragma once

#include "log/log_sink.h"

namespace tavro {

// The formatting buffer of AppendLog: a formatted text keeps at most 255 characters.
inline constexpr int kLogBufferSize = 256;

// Formats with printf rules into a 256-byte buffer and appends the result to the sink;
// a longer text is cut at 255 characters.
void AppendLog(LogSink& sink, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace tavro
