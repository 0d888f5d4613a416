// commctrl.h builds on the types of windows.h.
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
// clang-format on

#include <cstdio>
#include <cstdlib>
#include <string>

#include "ui/win32/resource_version.h"
#include "ui/win32/wide_text.h"
#include "ui/win32/win32_writer_window.h"
#include "ui/writer_dialog.h"
#include "ui/writer_services.h"

namespace {

// A path the file dialog answers with, for tests that drive the dialog from outside.
constexpr wchar_t kPresetOpenFileVariable[] = L"TAVRO_WRITER_OPEN_FILE";
constexpr wchar_t kPresetSaveFileVariable[] = L"TAVRO_WRITER_SAVE_FILE";
constexpr wchar_t kPasswordVariable[] = L"TAVRO_PASSWORD";

std::wstring EnvironmentText(const wchar_t* name) {
    const DWORD size = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return {};
    std::wstring value(size, L'\0');
    value.resize(::GetEnvironmentVariableW(name, value.data(), size));
    return value;
}

// A program without a console: the reason goes to a message box as well as to stderr.
[[noreturn]] void ExitWithReason(int status, const std::string& reason) {
    const std::string text = "tavro-writer: " + reason;
    std::fprintf(stderr, "%s\n", text.c_str());
    ::MessageBoxW(nullptr, tavro::ui::Widen(text).c_str(), L"TAVRO Writer", MB_OK | MB_ICONERROR);
    std::exit(status);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // The progress bar's class, in the visual style the manifest asks for.
    const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX),
                                       ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&classes);
    // The accessibility annotations of the controls are COM objects of this thread.
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

    tavro::ui::Win32WriterWindow::Options options;
    options.instance = instance;
    options.presetOpenFile = EnvironmentText(kPresetOpenFileVariable);
    options.presetSaveFile = EnvironmentText(kPresetSaveFileVariable);
    tavro::ui::Win32WriterWindow window(std::move(options));

    tavro::ui::WriterServices services = tavro::ui::RealWriterServices();
    services.version = tavro::ui::VersionFromOwnResource();
    services.exitProcess = ExitWithReason;
    // The environment as UTF-16: a password is not bound to the ANSI code page.
    if (const std::wstring password = EnvironmentText(kPasswordVariable); !password.empty()) {
        services.password = tavro::ui::Narrow(password);
    }
    tavro::ui::WriterDialog dialog(window, std::move(services));
    // The dialog's result is not examined: every end of the dialog is a normal end.
    window.Run(dialog);
    if (SUCCEEDED(com)) ::CoUninitialize();
    return EXIT_SUCCESS;
}
