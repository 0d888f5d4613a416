// commctrl.h builds on the types of windows.h.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <cstdlib>
#include <string>

#include "ui/win32/resource_version.h"
#include "ui/win32/win32_writer_window.h"
#include "ui/writer_dialog.h"
#include "ui/writer_services.h"

namespace {

// A path the file dialog answers with, for tests that drive the dialog from outside.
constexpr wchar_t kPresetOpenFileVariable[] = L"TAVRO_WRITER_OPEN_FILE";

std::wstring EnvironmentText(const wchar_t* name) {
    const DWORD size = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return {};
    std::wstring value(size, L'\0');
    value.resize(::GetEnvironmentVariableW(name, value.data(), size));
    return value;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // The progress bar's class, in the visual style the manifest asks for.
    const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX),
                                       ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&classes);

    tavro::ui::Win32WriterWindow::Options options;
    options.instance = instance;
    options.presetOpenFile = EnvironmentText(kPresetOpenFileVariable);
    tavro::ui::Win32WriterWindow window(std::move(options));

    tavro::ui::WriterServices services = tavro::ui::RealWriterServices();
    services.version = tavro::ui::VersionFromOwnResource();
    tavro::ui::WriterDialog dialog(window, std::move(services));
    // The dialog's result is not examined: every end of the dialog is a normal end.
    window.Run(dialog);
    return EXIT_SUCCESS;
}
