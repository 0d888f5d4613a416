#pragma once

#include <string>

#include "upload/upload_result.h"

namespace tavro::upload {

// The sentence a user reads for the outcome of an upload.
inline std::string UploadOutcomeText(UploadResult result) {
    switch (result) {
        case kUploadSucceeded:
            return "正常終了";
        case kUploadRefused:
            return "TAVRO通信エラー";
        case kUploadFileError:
            return "ファームウェアファイルエラー";
        case kUploadInternalError:
            return "内部エラー";
        default:
            return "ネットワークエラー:" + std::to_string(result);
    }
}

}  // namespace tavro::upload
