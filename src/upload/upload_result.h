#pragma once

#include <cstdint>

namespace tavro::upload {

// Outcome of one upload: 0..3 are the upload's own outcomes, any other value is the
// Winsock-compatible code of the network call that failed.
using UploadResult = std::int32_t;

inline constexpr UploadResult kUploadSucceeded = 0;
inline constexpr UploadResult kUploadRefused = 1;  // no answer, a bad answer or a refused password
inline constexpr UploadResult kUploadFileError = 2;
inline constexpr UploadResult kUploadInternalError = 3;

}  // namespace tavro::upload
