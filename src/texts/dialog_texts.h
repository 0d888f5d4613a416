#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "texts/language.h"

namespace tavro::texts {

// What the dialog says beneath a box's main text.

// After a success: "DEVICE に N バイトを S 秒で書き込みました" (one decimal of seconds).
std::string WrittenText(std::string_view device, std::int64_t bytes, double seconds,
                        Language language);

// The firmware file's size beneath the confirmation: "N バイト".
std::string FileSizeText(std::int64_t bytes, Language language);

}  // namespace tavro::texts
