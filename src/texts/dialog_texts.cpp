#include "texts/dialog_texts.h"

#include <cstdio>

namespace tavro::texts {

std::string WrittenText(std::string_view device, std::int64_t bytes, double seconds,
                        Language language) {
    char shownSeconds[32];
    std::snprintf(shownSeconds, sizeof shownSeconds, "%.1f", seconds < 0 ? 0.0 : seconds);
    const std::string dev(device);
    if (language == Language::Japanese) {
        return dev + " に " + std::to_string(bytes) + " バイトを " + shownSeconds +
               " 秒で書き込みました";
    }
    return "wrote " + std::to_string(bytes) + " bytes into " + dev + " in " + shownSeconds + " s";
}

std::string FileSizeText(std::int64_t bytes, Language language) {
    return std::to_string(bytes) + (language == Language::Japanese ? " バイト" : " bytes");
}

}  // namespace tavro::texts
