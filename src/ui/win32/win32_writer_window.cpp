#include "ui/win32/win32_writer_window.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "ui/dialog_template.h"
#include "ui/win32/accessible_names_win32.h"
#include "ui/win32/detail_message_box.h"
#include "ui/win32/dialog_font_choice.h"
#include "ui/win32/dialog_template_image.h"
#include "ui/win32/system_menu_commands.h"
#include "ui/win32/text_prompt_dialog.h"
#include "ui/win32/wide_text.h"

namespace tavro::ui {
namespace {

// A call from another thread that the dialog runs on its own thread: lParam points at the
// std::function, and the sender waits until it has run.
constexpr UINT kRunCallMessage = WM_APP + 1;

// Room for a long path; the file dialog writes the chosen path here.
constexpr DWORD kPathCapacity = 32768;

// "Name|pattern|Name|pattern||" with the NULs the file dialog wants in place of the bars.
std::wstring FileDialogFilter(const std::string& filter) {
    std::wstring wide = Widen(filter);
    for (wchar_t& c : wide) {
        if (c == L'|') c = L'\0';
    }
    wide.push_back(L'\0');
    return wide;
}

}  // namespace

Win32WriterWindow::Win32WriterWindow(Options options) : m_options(std::move(options)) {
    m_icon = ::LoadIconW(m_options.instance, MAKEINTRESOURCEW(IDR_MAINFRAME));
}

Win32WriterWindow::~Win32WriterWindow() {
    if (m_waitCursor) ::SetCursor(m_cursorBeforeWait);
}

INT_PTR Win32WriterWindow::Run(DialogEvents& events) {
    m_events = &events;
    m_uiThread = ::GetCurrentThreadId();
    const DialogTemplate& dialog = WriterDialogTemplate();
    m_fontFace = ChooseDialogFontFace(dialog.fontFamily);
    const std::vector<WORD> image = BuildDialogTemplateImage(dialog, m_fontFace);
    return ::DialogBoxIndirectParamW(m_options.instance,
                                     reinterpret_cast<const DLGTEMPLATE*>(image.data()), nullptr,
                                     DialogProcedure, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK Win32WriterWindow::DialogProcedure(HWND window, UINT message, WPARAM wParam,
                                                    LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<Win32WriterWindow*>(lParam);
        ::SetWindowLongPtrW(window, DWLP_USER, lParam);
        self->m_window = window;
    }
    auto* self = reinterpret_cast<Win32WriterWindow*>(::GetWindowLongPtrW(window, DWLP_USER));
    return self == nullptr ? FALSE : self->HandleMessage(message, wParam, lParam);
}

INT_PTR Win32WriterWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            // TRUE leaves the focus to the dialog manager: the first tab stop.
            const bool ready = m_events->OnInitDialog();
            if (ready) {
                AddMenuItems();
                AnnotateAccessibleNames(m_window);
            }
            return ready ? TRUE : FALSE;
        }
        case WM_INITMENUPOPUP:
            // HIWORD(lParam): the popup is the window menu.
            if (HIWORD(lParam) != 0) UpdateMenuItems();
            return FALSE;
        case WM_SYSCOMMAND:
            return HandleMenuCommand(wParam) ? TRUE : FALSE;
        case WM_SETCURSOR:
            return SetWaitCursorIfWaiting() ? TRUE : FALSE;
        case WM_COMMAND:
            HandleCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_TIMER:
            m_events->OnTimer(static_cast<int>(wParam));
            return TRUE;
        case WM_CLOSE:
            EndUnlessBusy(IDCANCEL);
            return TRUE;
        case WM_PAINT:
            return PaintMinimised() ? TRUE : FALSE;
        case WM_QUERYDRAGICON:
            ::SetWindowLongPtrW(m_window, DWLP_MSGRESULT, reinterpret_cast<LONG_PTR>(m_icon));
            return TRUE;
        case kRunCallMessage:
            (*reinterpret_cast<const std::function<void()>*>(lParam))();
            return TRUE;
        default:
            return FALSE;
    }
}

void Win32WriterWindow::HandleCommand(int id, int code) {
    switch (id) {
        case static_cast<int>(ControlId::write):
            if (code == BN_CLICKED) m_events->OnWrite();
            break;
        case static_cast<int>(ControlId::search):
            if (code == BN_CLICKED) m_events->OnSearch();
            break;
        case static_cast<int>(ControlId::interfaceList):
            if (code == CBN_SELCHANGE) m_events->OnInterfaceSelectionChange();
            break;
        case static_cast<int>(ControlId::deviceList):
            if (code == LBN_SELCHANGE) m_events->OnDeviceSelectionChange();
            break;
        // Enter (with no push button focused) and Escape arrive as IDOK and IDCANCEL: the
        // dialog's plain ending, kept while no upload runs.
        case IDOK:
        case IDCANCEL:
            EndUnlessBusy(id);
            break;
        default:
            break;
    }
}

void Win32WriterWindow::EndUnlessBusy(int result) {
    if (!m_events->CanClose()) {
        ::MessageBeep(MB_OK);
        return;
    }
    ::EndDialog(m_window, result);
}

// Minimised, the client area shows the icon, centred.
bool Win32WriterWindow::PaintMinimised() {
    if (!::IsIconic(m_window)) return false;
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(m_window, &paint);
    ::SendMessageW(m_window, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    const int iconWidth = ::GetSystemMetrics(SM_CXICON);
    const int iconHeight = ::GetSystemMetrics(SM_CYICON);
    RECT client;
    ::GetClientRect(m_window, &client);
    const int x = (client.right - client.left - iconWidth + 1) / 2;
    const int y = (client.bottom - client.top - iconHeight + 1) / 2;
    ::DrawIcon(dc, x, y, m_icon);
    ::EndPaint(m_window, &paint);
    return true;
}

void Win32WriterWindow::AddMenuItems() {
    HMENU menu = ::GetSystemMenu(m_window, FALSE);
    if (menu == nullptr) return;
    ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    const auto& entries = DialogMenuEntries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        ::AppendMenuW(menu, MF_STRING, MenuCommandOf(i), Widen(entries[i].text).c_str());
    }
}

void Win32WriterWindow::UpdateMenuItems() {
    HMENU menu = ::GetSystemMenu(m_window, FALSE);
    const MenuState state = m_events->CurrentMenuState();
    const auto& entries = DialogMenuEntries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        ::EnableMenuItem(menu, MenuCommandOf(i),
                         MF_BYCOMMAND | (state.enabled ? MF_ENABLED : MF_GRAYED));
        if (entries[i].item == MenuItem::showLog) {
            ::CheckMenuItem(menu, MenuCommandOf(i),
                            MF_BYCOMMAND | (state.logShown ? MF_CHECKED : MF_UNCHECKED));
        }
    }
}

bool Win32WriterWindow::HandleMenuCommand(WPARAM command) {
    const auto& entries = DialogMenuEntries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if ((command & 0xFFF0) == MenuCommandOf(i)) {
            m_events->OnMenu(entries[i].item);
            return true;
        }
    }
    return false;  // the system's own commands: move, close, ...
}

// During a search the cursor is the wait cursor over the whole dialog, its disabled controls
// included, however the mouse moves.
bool Win32WriterWindow::SetWaitCursorIfWaiting() {
    if (!m_waitCursor) return false;
    ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
    ::SetWindowLongPtrW(m_window, DWLP_MSGRESULT, TRUE);
    return true;
}

HWND Win32WriterWindow::Control(ControlId id) const {
    return ::GetDlgItem(m_window, static_cast<int>(id));
}

void Win32WriterWindow::SetDialogIcon() {
    ::SendMessageW(m_window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    ::SendMessageW(m_window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));
}

void Win32WriterWindow::Enable(ControlId id, bool enable) {
    ::EnableWindow(Control(id), enable ? TRUE : FALSE);
}

void Win32WriterWindow::Show(ControlId id, bool show) {
    ::ShowWindow(Control(id), show ? SW_SHOW : SW_HIDE);
}

void Win32WriterWindow::SetText(ControlId id, const std::string& text) {
    ::SetWindowTextW(Control(id), Widen(text).c_str());
}

void Win32WriterWindow::AddLine(ControlId id, const std::string& line) {
    const std::wstring wide = Widen(line);
    const UINT message = id == ControlId::interfaceList ? CB_ADDSTRING : LB_ADDSTRING;
    ::SendMessageW(Control(id), message, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

void Win32WriterWindow::DeleteLine(ControlId id, int index) {
    const UINT message = id == ControlId::interfaceList ? CB_DELETESTRING : LB_DELETESTRING;
    ::SendMessageW(Control(id), message, static_cast<WPARAM>(index), 0);
}

void Win32WriterWindow::ClearLines(ControlId id) {
    const UINT message = id == ControlId::interfaceList ? CB_RESETCONTENT : LB_RESETCONTENT;
    ::SendMessageW(Control(id), message, 0, 0);
}

int Win32WriterWindow::SelectedLine(ControlId id) {
    const UINT message = id == ControlId::interfaceList ? CB_GETCURSEL : LB_GETCURSEL;
    return static_cast<int>(::SendMessageW(Control(id), message, 0, 0));
}

void Win32WriterWindow::SelectLine(ControlId id, int index) {
    // Index -1 clears the selection; neither message notifies the dialog.
    const UINT message = id == ControlId::interfaceList ? CB_SETCURSEL : LB_SETCURSEL;
    ::SendMessageW(Control(id), message, static_cast<WPARAM>(index), 0);
}

void Win32WriterWindow::SetProgressRange(int low, int high) {
    ::SendMessageW(Control(ControlId::progress), PBM_SETRANGE, 0, MAKELPARAM(low, high));
}

void Win32WriterWindow::SetProgressPosition(int position) {
    ::SendMessageW(Control(ControlId::progress), PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void Win32WriterWindow::AppendToLog(const std::string& text) {
    HWND log = Control(ControlId::log);
    const int length = ::GetWindowTextLengthW(log);
    ::SendMessageW(log, EM_SETSEL, static_cast<WPARAM>(length), length);
    ::SendMessageW(log, EM_SCROLLCARET, 0, 0);
    const std::wstring wide = Widen(text);
    ::SendMessageW(log, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(wide.c_str()));
}

MessageAnswer Win32WriterWindow::ShowMessage(const std::string& text, const std::string& detail,
                                             MessageButtons buttons) {
    const bool withCancel = buttons == MessageButtons::okCancel;
    const int answer =
        detail.empty()
            ? ::MessageBoxW(m_window, Widen(text).c_str(), m_options.messageCaption.c_str(),
                            withCancel ? MB_OKCANCEL : MB_OK)
            : ShowDetailMessageBox(m_window, m_options.messageCaption, Widen(text), Widen(detail),
                                   withCancel);
    return answer == IDOK ? MessageAnswer::ok : MessageAnswer::cancel;
}

void Win32WriterWindow::ShowErrorBox(const std::string& text) {
    // A message box of its own on whichever thread asks; it needs no owner.
    ::MessageBoxW(nullptr, Widen(text).c_str(), L"Error", MB_OK);
}

// What the open and the save dialog share: this window as owner, the filter's first entry, the
// path buffer and the default extension.
OPENFILENAMEW Win32WriterWindow::FileDialogFor(const std::wstring& filter,
                                               const std::wstring& extension,
                                               std::vector<wchar_t>& path) const {
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = m_window;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = static_cast<DWORD>(path.size());
    dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    return dialog;
}

std::optional<std::string> Win32WriterWindow::AskOpenFile(const FileOpenRequest& request) {
    if (!m_options.presetOpenFile.empty()) return Narrow(m_options.presetOpenFile);

    const std::wstring filter = FileDialogFilter(request.filter);
    const std::wstring extension = Widen(request.defaultExtension);
    std::vector<wchar_t> path(kPathCapacity, L'\0');
    OPENFILENAMEW dialog = FileDialogFor(filter, extension, path);
    dialog.Flags |= request.fileMustExist ? OFN_FILEMUSTEXIST : 0;
    if (!::GetOpenFileNameW(&dialog)) return std::nullopt;
    return Narrow(path.data());
}

std::optional<std::string> Win32WriterWindow::AskSaveFile(const FileSaveRequest& request) {
    if (!m_options.presetSaveFile.empty()) return Narrow(m_options.presetSaveFile);

    const std::wstring filter = FileDialogFilter(request.filter);
    const std::wstring extension = Widen(request.defaultExtension);
    std::vector<wchar_t> path(kPathCapacity, L'\0');
    const std::wstring suggested = Widen(request.suggestedName);
    std::copy(suggested.begin(), suggested.end(), path.begin());
    OPENFILENAMEW dialog = FileDialogFor(filter, extension, path);
    dialog.Flags |= OFN_PATHMUSTEXIST;
    if (!::GetSaveFileNameW(&dialog)) return std::nullopt;
    return Narrow(path.data());
}

std::optional<std::string> Win32WriterWindow::AskText(const TextPrompt& prompt) {
    const std::optional<std::wstring> typed =
        AskTextInDialog(m_options.instance, m_window, prompt, m_fontFace);
    if (!typed) return std::nullopt;
    return Narrow(*typed);
}

void Win32WriterWindow::StartTimer(int id, int periodMs) {
    ::SetTimer(m_window, static_cast<UINT_PTR>(id), static_cast<UINT>(periodMs), nullptr);
}

void Win32WriterWindow::StopTimer(int id) { ::KillTimer(m_window, static_cast<UINT_PTR>(id)); }

void Win32WriterWindow::RunOnUiThread(const std::function<void()>& call) {
    if (::GetCurrentThreadId() == m_uiThread) {
        call();
        return;
    }
    // A sent message runs on the dialog's thread while this one waits, as the window's own
    // messages do.
    ::SendMessageW(m_window, kRunCallMessage, 0, reinterpret_cast<LPARAM>(&call));
}

void Win32WriterWindow::SetWaitCursor(bool on) {
    if (on == m_waitCursor) return;
    m_waitCursor = on;
    if (on) {
        m_cursorBeforeWait = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
    } else {
        ::SetCursor(m_cursorBeforeWait);
    }
}

void Win32WriterWindow::EndDialog(int result) { ::EndDialog(m_window, result); }

}  // namespace tavro::ui
