#include "texts/local_error_texts.h"

#include "net/socket_error.h"

namespace tavro::texts {

std::string LocalErrorText(int code, Language language) {
    const bool japanese = language == Language::Japanese;
    switch (code) {
        case net::kErrorTooManySockets:
            return japanese ? "開いているファイルが多すぎます (too many open files)"
                            : "too many open files";
        case net::kErrorNoBuffers:
            return japanese ? "バッファー領域が足りません (no buffer space available)"
                            : "no buffer space available";
        default:
            return (japanese ? "エラー " : "error ") + std::to_string(code);
    }
}

}  // namespace tavro::texts
