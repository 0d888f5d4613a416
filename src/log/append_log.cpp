#include "log/append_log.h"

#include <array>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace tavro {

void AppendLog(LogSink& sink, const char* format, ...) {
    std::array<char, kLogBufferSize> buffer{};
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(buffer.data(), buffer.size(), format, arguments);
    va_end(arguments);
    sink.AppendText(std::string_view(buffer.data(), std::strlen(buffer.data())));
}

}  // namespace tavro
