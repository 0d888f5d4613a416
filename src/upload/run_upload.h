#pragma once

#include "upload/upload_report.h"
#include "upload/upload_request.h"
#include "upload/upload_result.h"
#include "upload/upload_sink.h"

namespace tavro::upload {

// Writes one firmware file into one device: digest, invitation (with the password proof when
// the device asks), then the transfer over the device's connection back. Every socket and the
// file are closed before it returns the outcome; no wait outlasts its bound in `timeouts`.
// With a report, it also learns why the upload ended as it did (report->result is the outcome).
UploadResult RunUpload(const UploadRequest& request, UploadSink& sink,
                       const UploadTimeouts& timeouts = {}, UploadReport* report = nullptr);

}  // namespace tavro::upload
