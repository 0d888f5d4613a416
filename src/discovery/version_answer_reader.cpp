#include "discovery/version_answer_reader.h"

namespace tavro::discovery {

VersionAnswerReader::Progress VersionAnswerReader::Feed(std::span<const char> chunk) {
    for (const char byte : chunk) {
        if (progress_ != Progress::needMore) {
            break;
        }
        area_[size_++] = byte;
        if (byte == '\n' && ++lineFeeds_ == 2) {
            progress_ = Progress::done;
        } else if (size_ == kLimit) {
            progress_ = Progress::failed;
        }
    }
    return progress_;
}

}  // namespace tavro::discovery
