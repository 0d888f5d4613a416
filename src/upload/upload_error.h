#pragma once

#include "log/append_log.h"
#include "upload/upload_result.h"

namespace tavro::upload {

// A socket call of the upload failed: its code goes to the trace and becomes the outcome.
inline UploadResult EndWithSocketError(LogSink& log, int code) {
    AppendLog(log, "ERROR: %d\r\n", code);
    return code;
}

}  // namespace tavro::upload
