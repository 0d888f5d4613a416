#include "window_driver.h"

#include <cctype>

#include "ui/dialog_template.h"
#include "ui/win32/wide_text.h"

namespace tavro::ui::test {
namespace {

constexpr DWORD kPollMs = 20;

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

struct BoxSearch {
    HWND owner;
    HWND found;
};

BOOL CALLBACK FindOwnedBox(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<BoxSearch*>(context);
    if (::GetWindow(window, GW_OWNER) == search->owner && ::IsWindowVisible(window) &&
        WindowDriver::ClassName(window) == "#32770") {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

bool Findings::Check(bool ok, const std::string& what) {
    std::fprintf(out_, "%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
    std::fflush(out_);
    if (!ok) ++failures_;
    return ok;
}

void Findings::Note(const std::string& what) {
    std::fprintf(out_, "note %s\n", what.c_str());
    std::fflush(out_);
}

HWND WindowDriver::WaitForDialog(DWORD timeoutMs) {
    const std::wstring caption = Widen(WriterDialogTemplate().caption);
    for (DWORD waited = 0; waited <= timeoutMs; waited += kPollMs) {
        HWND dialog = ::FindWindowW(L"#32770", caption.c_str());
        if (dialog != nullptr && ::IsWindowVisible(dialog)) return dialog;
        ::Sleep(kPollMs);
    }
    return nullptr;
}

HWND WindowDriver::WaitForMessageBox(HWND dialog, DWORD timeoutMs) {
    for (DWORD waited = 0; waited <= timeoutMs; waited += kPollMs) {
        BoxSearch search{dialog, nullptr};
        ::EnumWindows(FindOwnedBox, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) return search.found;
        ::Sleep(kPollMs);
    }
    return nullptr;
}

HWND WindowDriver::WaitForCaptionedBox(const std::string& caption, DWORD timeoutMs) {
    const std::wstring wide = Widen(caption);
    for (DWORD waited = 0; waited <= timeoutMs; waited += kPollMs) {
        HWND box = ::FindWindowW(L"#32770", wide.c_str());
        if (box != nullptr && ::IsWindowVisible(box)) return box;
        ::Sleep(kPollMs);
    }
    return nullptr;
}

bool WindowDriver::WaitUntilGone(HWND window, DWORD timeoutMs) {
    for (DWORD waited = 0; waited <= timeoutMs; waited += kPollMs) {
        if (!::IsWindow(window)) return true;
        ::Sleep(kPollMs);
    }
    return !::IsWindow(window);
}

HWND WindowDriver::Control(HWND dialog, ControlId id) {
    return ::GetDlgItem(dialog, static_cast<int>(id));
}

std::string WindowDriver::Text(HWND window) {
    // Asked of the control itself: GetWindowText does not ask a window of another process,
    // and an edit box keeps its text to itself.
    const auto length = ::SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const auto copied = ::SendMessageW(window, WM_GETTEXT, static_cast<WPARAM>(text.size()),
                                       reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(copied));
    return Narrow(text);
}

std::string WindowDriver::ClassName(HWND window) {
    wchar_t name[256] = {};
    ::GetClassNameW(window, name, 256);
    return Narrow(name);
}

std::string WindowDriver::MessageBoxText(HWND box) {
    // A message box's static control carries the id 0xFFFF; a task dialog's main instruction
    // is its first text.
    if (HWND message = ::GetDlgItem(box, 0xFFFF)) return Text(message);
    const std::vector<std::string> texts = StaticTexts(box);
    return texts.empty() ? std::string() : texts.front();
}

std::vector<std::string> WindowDriver::StaticTexts(HWND box) {
    std::vector<std::string> texts;
    for (HWND child = ::GetWindow(box, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (Lower(ClassName(child)) != "static" || !::IsWindowVisible(child)) continue;
        if (std::string text = Text(child); !text.empty()) texts.push_back(std::move(text));
    }
    return texts;
}

std::vector<std::string> WindowDriver::ListLines(HWND list) {
    std::vector<std::string> lines;
    const auto count = static_cast<int>(::SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const auto length = ::SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        std::wstring line(static_cast<std::size_t>(length) + 1, L'\0');
        ::SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i),
                       reinterpret_cast<LPARAM>(line.data()));
        line.resize(static_cast<std::size_t>(length));
        lines.push_back(Narrow(line));
    }
    return lines;
}

std::vector<std::string> WindowDriver::ComboLines(HWND combo) {
    std::vector<std::string> lines;
    const auto count = static_cast<int>(::SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const auto length = ::SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        std::wstring line(static_cast<std::size_t>(length) + 1, L'\0');
        ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i),
                       reinterpret_cast<LPARAM>(line.data()));
        line.resize(static_cast<std::size_t>(length));
        lines.push_back(Narrow(line));
    }
    return lines;
}

DialogRect WindowDriver::RectInDialog(HWND dialog, HWND control) {
    RECT rect{};
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return DialogRect{static_cast<int>(rect.left), static_cast<int>(rect.top),
                      static_cast<int>(rect.right - rect.left),
                      static_cast<int>(rect.bottom - rect.top)};
}

bool WindowDriver::ClickAndWait(HWND button, DWORD timeoutMs) {
    DWORD_PTR ignored = 0;
    return ::SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_NORMAL, timeoutMs, &ignored) != 0;
}

void WindowDriver::ClickLater(HWND button) { ::PostMessageW(button, BM_CLICK, 0, 0); }

void WindowDriver::SelectDeviceLine(HWND dialog, int index) {
    HWND list = Control(dialog, ControlId::deviceList);
    ::SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    ::SendMessageW(dialog, WM_COMMAND,
                   MAKEWPARAM(static_cast<int>(ControlId::deviceList), LBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(list));
}

}  // namespace tavro::ui::test
