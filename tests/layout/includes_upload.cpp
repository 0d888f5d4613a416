// Compiled for a library that does not link the upload, this must not find it.
#include "upload/run_upload.h"
