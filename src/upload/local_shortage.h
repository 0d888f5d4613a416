#pragma once

#include "upload/upload_report.h"

namespace tavro::upload {

// This computer ran short of its own resources: out of descriptors ("too many open files") or
// of buffer memory. Neither the device, the network nor the file is at fault then, and the
// upload's cause says so; its outcome is the socket code of the shortage.
bool IsLocalShortage(int socketCode);

// The socket code for a C library errno that names such a shortage (EMFILE, ENFILE: 10024;
// ENOMEM, ENOBUFS: 10055), else 0. A file that cannot be opened for want of descriptors is no
// fault of the file.
int ShortageFromErrno(int errnoValue);

// The cause of a failed socket call: LocalShortage for a shortage, else `otherwise`.
UploadCause CauseOfSocketFailure(int socketCode, UploadCause otherwise);

}  // namespace tavro::upload
