#include <windows.h>
// shellapi.h builds on windows.h.
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <memory>

#include "cli/console/console.h"

namespace tavro::cli {
namespace {

std::string ToUtf8(const wchar_t* wide) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return {};
    std::string text(static_cast<std::size_t>(size - 1), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), size, nullptr, nullptr);
    return text;
}

struct LocalFreeDeleter {
    void operator()(wchar_t** memory) const { ::LocalFree(memory); }
};

}  // namespace

void PrepareConsole() {
    ::SetConsoleOutputCP(CP_UTF8);
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    int count = 0;
    const std::unique_ptr<wchar_t*, LocalFreeDeleter> wide(
        ::CommandLineToArgvW(::GetCommandLineW(), &count));
    if (!wide || count != argc) return {argv, argv + argc};
    std::vector<std::string> arguments;
    arguments.reserve(static_cast<std::size_t>(count));
    for (int index = 0; index < count; ++index) arguments.push_back(ToUtf8(wide.get()[index]));
    return arguments;
}

bool StderrIsTerminal() { return ::_isatty(::_fileno(stderr)) != 0; }

std::size_t TerminalColumns() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!::GetConsoleScreenBufferInfo(::GetStdHandle(STD_ERROR_HANDLE), &info)) return 80;
    const int columns = info.srWindow.Right - info.srWindow.Left + 1;
    return columns > 0 ? static_cast<std::size_t>(columns) : 80;
}

std::optional<std::string> DisplayLanguageLocale() {
    if (PRIMARYLANGID(::GetUserDefaultUILanguage()) == LANG_JAPANESE) return "ja";
    return std::nullopt;
}

}  // namespace tavro::cli
