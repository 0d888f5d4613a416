#include <windows.h>
// shellapi.h builds on windows.h.
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <memory>
#include <optional>

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

// Named here too: older MinGW headers lack it.
constexpr DWORD kVirtualTerminalProcessing = 0x0004;

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

bool StdoutIsTerminal() { return ::_isatty(::_fileno(stdout)) != 0; }

// A console before Windows 10 prints escape sequences as text; a newer one takes them once
// asked to.
bool StderrTakesCursorMoves() {
    const HANDLE console = ::GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (!::GetConsoleMode(console, &mode)) return false;
    if (mode & kVirtualTerminalProcessing) return true;
    return ::SetConsoleMode(console, mode | kVirtualTerminalProcessing) != 0;
}

namespace {

// Read at every redraw: the console window may change size while a write runs.
std::optional<SMALL_RECT> ConsoleWindow() {
    for (const DWORD handle : {STD_ERROR_HANDLE, STD_OUTPUT_HANDLE}) {
        CONSOLE_SCREEN_BUFFER_INFO info{};
        if (::GetConsoleScreenBufferInfo(::GetStdHandle(handle), &info)) return info.srWindow;
    }
    return std::nullopt;
}

}  // namespace

std::size_t TerminalColumns() {
    const std::optional<SMALL_RECT> window = ConsoleWindow();
    const int columns = window ? window->Right - window->Left + 1 : 0;
    return columns > 0 ? static_cast<std::size_t>(columns) : 80;
}

std::size_t TerminalRows() {
    const std::optional<SMALL_RECT> window = ConsoleWindow();
    const int rows = window ? window->Bottom - window->Top + 1 : 0;
    return rows > 0 ? static_cast<std::size_t>(rows) : 24;
}

std::optional<std::string> DisplayLanguageLocale() {
    if (PRIMARYLANGID(::GetUserDefaultUILanguage()) == LANG_JAPANESE) return "ja";
    return std::nullopt;
}

}  // namespace tavro::cli
