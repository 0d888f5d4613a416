// tavro-writer-driver.exe RESULT_FILE SCENARIO [ARGS...]: finds the running writer dialog and
// plays one scenario on it through window messages, writing one line per check to RESULT_FILE.
// Exit status 0 when every check held.
#include <algorithm>
#include <cstdlib>
#include <cwctype>
#include <string>
#include <vector>

#include "ui/dialog_menu.h"
#include "ui/win32/control_styles.h"
#include "ui/win32/dialog_font_choice.h"
#include "ui/win32/dialog_template_image.h"
#include "ui/win32/system_menu_commands.h"
#include "ui/win32/text_prompt_dialog.h"
#include "ui/win32/wide_text.h"
#include "window_driver.h"

namespace tavro::ui::test {
namespace {

using Driver = WindowDriver;

constexpr DWORD kDialogAppearsMs = 30000;
constexpr DWORD kSearchEndsMs = 30000;  // the search's own bound is 10 s
constexpr DWORD kBoxAppearsMs = 10000;
constexpr DWORD kWindowClosesMs = 10000;
constexpr DWORD kUploadEndsMs = 90000;
constexpr char kMessageCaption[] = "TAVRO Writer";

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Describe(const DialogRect& rect) {
    return std::to_string(rect.x) + "," + std::to_string(rect.y) + " " +
           std::to_string(rect.width) + "x" + std::to_string(rect.height);
}

// A hidden dialog of this process made from the same template and font: the dialog manager
// converts dialog units only for dialogs of its own process, and GDI handles such as the
// dialog's font do not cross processes either.
class RulerDialog {
public:
    RulerDialog() {
        const DialogTemplate& layout = WriterDialogTemplate();
        std::vector<WORD> image =
            BuildDialogTemplateImage(layout, ChooseDialogFontFace(layout.fontFamily));
        // The style is the DWORD at word 6 of the extended template; the ruler stays hidden.
        const DWORD style = MAKELONG(image[6], image[7]) & ~static_cast<DWORD>(WS_VISIBLE);
        image[6] = LOWORD(style);
        image[7] = HIWORD(style);
        window_ = ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr),
                                               reinterpret_cast<const DLGTEMPLATE*>(image.data()),
                                               nullptr, Ignore, 0);
    }
    ~RulerDialog() {
        if (window_ != nullptr) ::DestroyWindow(window_);
    }
    RulerDialog(const RulerDialog&) = delete;
    RulerDialog& operator=(const RulerDialog&) = delete;
    HWND window() const { return window_; }

private:
    static INT_PTR CALLBACK Ignore(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
    HWND window_ = nullptr;
};

// The template rectangle in the dialog's pixels, as the dialog manager converts a control's:
// position and size each on its own.
DialogRect ExpectedPixels(HWND ruler, const DialogRect& units) {
    RECT rect{units.x, units.y, units.width, units.height};
    ::MapDialogRect(ruler, &rect);
    return DialogRect{static_cast<int>(rect.left), static_cast<int>(rect.top),
                      static_cast<int>(rect.right), static_cast<int>(rect.bottom)};
}

// A closed drop-down list keeps its own height (the template's is the open list's), and an
// etched line is two pixels high and reaches one pixel further on each side for its edge.
bool AtTemplatePlace(ControlKind kind, const DialogRect& actual, const DialogRect& expected) {
    const bool origin = actual.x == expected.x && actual.y == expected.y;
    switch (kind) {
        case ControlKind::dropDownList:
            return origin && actual.width == expected.width;
        case ControlKind::etchedLine:
            return origin && actual.width >= expected.width && actual.width <= expected.width + 2;
        default:
            return origin && actual.width == expected.width && actual.height == expected.height;
    }
}

bool Visible(HWND dialog, ControlId id) { return ::IsWindowVisible(Driver::Control(dialog, id)); }
bool Enabled(HWND dialog, ControlId id) { return ::IsWindowEnabled(Driver::Control(dialog, id)); }

void CheckFrame(Findings& findings, HWND dialog, HWND ruler) {
    const DialogTemplate& layout = WriterDialogTemplate();
    findings.Check(Driver::Text(dialog) == layout.caption, "caption " + Driver::Text(dialog));
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(dialog, GWL_STYLE));
    const DWORD frame = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    findings.Check((style & frame) == frame, "popup with caption, system menu, modal frame");
    findings.Check((style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME)) == 0,
                   "no minimise or maximise box, fixed size");
    const auto exStyle = static_cast<DWORD>(::GetWindowLongPtrW(dialog, GWL_EXSTYLE));
    findings.Check((exStyle & WS_EX_APPWINDOW) != 0, "a task-bar button of its own");
    RECT client{};
    ::GetClientRect(dialog, &client);
    const DialogRect size = ExpectedPixels(ruler, {0, 0, layout.width, layout.height});
    findings.Check(client.right == size.width && client.bottom == size.height,
                   "client area 279 x 240 dialog units = " + Describe(size));

    LOGFONTW font{};
    auto* handle = reinterpret_cast<HFONT>(::SendMessageW(ruler, WM_GETFONT, 0, 0));
    ::GetObjectW(handle, sizeof font, &font);
    findings.Note("dialog font " + Narrow(font.lfFaceName));
}

// The nine controls, in tab order (the order of the child windows), as the template gives them.
void CheckControls(Findings& findings, HWND dialog, HWND ruler) {
    HWND child = ::GetWindow(dialog, GW_CHILD);
    for (const TemplateControl& control : WriterDialogTemplate().controls) {
        const std::string name = control.objectName;
        if (!findings.Check(child != nullptr, name + " exists")) return;
        const Win32ControlClass kind = Win32ClassOf(control.kind);
        const int id = control.id ? static_cast<int>(*control.id) : -1;
        findings.Check(::GetDlgCtrlID(child) == id || (id == -1 && ::GetDlgCtrlID(child) == 0xFFFF),
                       name + " id " + std::to_string(::GetDlgCtrlID(child)));
        findings.Check(Lower(Driver::ClassName(child)) == Lower(Narrow(kind.className)),
                       name + " class " + Driver::ClassName(child));
        // A scroll bar's style bit comes and goes with the bar, and the dialog manager draws
        // a control's border as a sunken client edge.
        const auto style = static_cast<DWORD>(::GetWindowLongPtrW(child, GWL_STYLE));
        const auto exStyle = static_cast<DWORD>(::GetWindowLongPtrW(child, GWL_EXSTYLE));
        const DWORD wanted = (WS_CHILD | kind.style) & ~static_cast<DWORD>(WS_VSCROLL | WS_BORDER);
        findings.Check((style & wanted) == wanted, name + " styles");
        // The visual style draws the progress bar's frame itself and takes its border away.
        if ((kind.style & WS_BORDER) != 0 && control.kind != ControlKind::progressBar) {
            const DWORD edges = WS_EX_CLIENTEDGE | WS_EX_STATICEDGE;
            findings.Check((style & WS_BORDER) != 0 || (exStyle & edges) != 0,
                           name + " has a border");
        }
        const bool hasText = control.kind == ControlKind::label ||
                             control.kind == ControlKind::pushButton ||
                             control.kind == ControlKind::progressBar;
        if (hasText && control.id != ControlId::version) {
            findings.Check(Driver::Text(child) == control.text,
                           name + " text " + Driver::Text(child));
        }
        const DialogRect actual = Driver::RectInDialog(dialog, child);
        const DialogRect expected = ExpectedPixels(ruler, control.rect);
        findings.Check(AtTemplatePlace(control.kind, actual, expected),
                       name + " at " + Describe(actual) + ", template " + Describe(expected));
        child = ::GetWindow(child, GW_HWNDNEXT);
    }
    findings.Check(child == nullptr, "no further control");
}

void CheckIdleLayout(Findings& findings, HWND dialog, bool writeEnabled) {
    for (ControlId id : {ControlId::interfaceList, ControlId::search, ControlId::deviceList}) {
        findings.Check(Enabled(dialog, id),
                       "idle: control " + std::to_string(static_cast<int>(id)) + " enabled");
    }
    findings.Check(Enabled(dialog, ControlId::write) == writeEnabled,
                   writeEnabled ? "idle: Write enabled" : "idle: Write disabled");
    findings.Check(!Visible(dialog, ControlId::progress), "idle: progress bar hidden");
    findings.Check(Visible(dialog, ControlId::version), "idle: version label shown");
    findings.Check(
        ::SendMessageW(Driver::Control(dialog, ControlId::progress), PBM_GETPOS, 0, 0) == 0,
        "idle: progress at 0");
}

// Icon 128 with a 64 x 64 image, and the version resource the version label is read from.
void CheckResources(Findings& findings, const std::wstring& writerPath) {
    HMODULE writer = ::LoadLibraryExW(writerPath.c_str(), nullptr,
                                      LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!findings.Check(writer != nullptr, "the program's resources can be read")) return;
    HRSRC group = ::FindResourceW(writer, MAKEINTRESOURCEW(IDR_MAINFRAME), RT_GROUP_ICON);
    findings.Check(group != nullptr, "icon resource 128");
    if (group != nullptr) {
        auto* directory = static_cast<BYTE*>(::LockResource(::LoadResource(writer, group)));
        const int id = ::LookupIconIdFromDirectoryEx(directory, TRUE, 64, 64, LR_DEFAULTCOLOR);
        HRSRC image = ::FindResourceW(writer, MAKEINTRESOURCEW(id), RT_ICON);
        HICON icon =
            image == nullptr
                ? nullptr
                : ::CreateIconFromResourceEx(
                      static_cast<BYTE*>(::LockResource(::LoadResource(writer, image))),
                      ::SizeofResource(writer, image), TRUE, 0x00030000, 64, 64, LR_DEFAULTCOLOR);
        ICONINFO info{};
        BITMAP bitmap{};
        const bool read = icon != nullptr && ::GetIconInfo(icon, &info) &&
                          ::GetObjectW(info.hbmColor, sizeof bitmap, &bitmap) != 0;
        findings.Check(read && bitmap.bmWidth == 64 && bitmap.bmHeight == 64,
                       "icon 128 has a 64 x 64 image");
        if (info.hbmColor != nullptr) ::DeleteObject(info.hbmColor);
        if (info.hbmMask != nullptr) ::DeleteObject(info.hbmMask);
        if (icon != nullptr) ::DestroyIcon(icon);
    }
    ::FreeLibrary(writer);

    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(writerPath.c_str(), &ignored);
    std::vector<BYTE> block(size);
    void* value = nullptr;
    UINT length = 0;
    const bool read = size != 0 && ::GetFileVersionInfoW(writerPath.c_str(), 0, size, block.data());
    findings.Check(
        read && ::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &value, &length) &&
            length >= 4 && *static_cast<DWORD*>(value) == MAKELONG(0x0411, 1200),
        "version resource with a Japanese Unicode translation");
    findings.Check(read && ::VerQueryValueW(block.data(), L"\\", &value, &length) &&
                       static_cast<VS_FIXEDFILEINFO*>(value)->dwFileVersionMS == MAKELONG(0, 1) &&
                       static_cast<VS_FIXEDFILEINFO*>(value)->dwFileVersionLS == 0,
                   "file version 1.0.0.0");
}

int TemplateScenario(Findings& findings, HWND dialog, const std::wstring& writerPath) {
    RulerDialog ruler;
    if (!findings.Check(ruler.window() != nullptr, "a ruler dialog of the same template")) return 1;
    CheckFrame(findings, dialog, ruler.window());
    CheckControls(findings, dialog, ruler.window());
    CheckResources(findings, writerPath);
    CheckIdleLayout(findings, dialog, false);
    findings.Check(Driver::Text(Driver::Control(dialog, ControlId::version)) == "Version 1.00",
                   "version label " + Driver::Text(Driver::Control(dialog, ControlId::version)));
    findings.Check(!Visible(dialog, ControlId::log), "log pane hidden");
    HWND interfaces = Driver::Control(dialog, ControlId::interfaceList);
    const std::vector<std::string> lines = Driver::ComboLines(interfaces);
    findings.Check(lines == std::vector<std::string>{"198.18.0.1 (tv0)"},
                   "interface list holds the test network's interface");
    findings.Check(::SendMessageW(interfaces, CB_GETCURSEL, 0, 0) == 0, "first interface selected");

    // Escape ends the dialog as the dialog manager's default does.
    ::PostMessageW(Driver::Control(dialog, ControlId::search), WM_KEYDOWN, VK_ESCAPE, 0);
    findings.Check(Driver::WaitUntilGone(dialog, kWindowClosesMs), "Escape ends the idle dialog");
    return 0;
}

// While a search runs: no control takes input, the dialog paints, and closing is refused.
void CheckSearching(Findings& findings, HWND dialog) {
    if (Enabled(dialog, ControlId::search)) {
        findings.Note("the search had ended before it could be watched");
        return;
    }
    for (ControlId id : {ControlId::interfaceList, ControlId::deviceList, ControlId::write}) {
        findings.Check(!Enabled(dialog, id),
                       "searching: control " + std::to_string(static_cast<int>(id)) + " disabled");
    }
    findings.Check(Visible(dialog, ControlId::version), "searching: version label shown");
    // A painted window has no update region left.
    ::InvalidateRect(dialog, nullptr, TRUE);
    bool painted = false;
    for (int i = 0; i < 100 && !painted; ++i) {
        painted = ::GetUpdateRect(dialog, nullptr, FALSE) == FALSE;
        if (!painted) ::Sleep(10);
    }
    findings.Check(painted, "searching: the dialog handles WM_PAINT");
    ::PostMessageW(dialog, WM_CLOSE, 0, 0);
    ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    ::PostMessageW(Driver::Control(dialog, ControlId::deviceList), WM_KEYDOWN, VK_ESCAPE, 0);
    ::Sleep(300);
    findings.Check(::IsWindow(dialog) && ::IsWindowVisible(dialog),
                   "searching: close box and Escape leave the dialog open");
    if (Enabled(dialog, ControlId::search)) findings.Note("the search ended during the checks");
}

// Search pressed; its handler returns at once and the list fills when the search has ended.
std::vector<std::string> Search(Findings& findings, HWND dialog, bool watch = false) {
    findings.Check(Driver::ClickAndWait(Driver::Control(dialog, ControlId::search), kBoxAppearsMs),
                   "Search returns");
    if (watch) CheckSearching(findings, dialog);
    bool ended = false;
    for (DWORD waited = 0; waited <= kSearchEndsMs && !ended; waited += 20) {
        ended = Enabled(dialog, ControlId::search);
        if (!ended) ::Sleep(20);
    }
    findings.Check(ended, "the search ends");
    std::vector<std::string> lines =
        Driver::ListLines(Driver::Control(dialog, ControlId::deviceList));
    for (const std::string& line : lines) findings.Note("device line " + line);
    return lines;
}

int SearchScenario(Findings& findings, HWND dialog, std::vector<std::string> expected) {
    std::vector<std::string> lines = Search(findings, dialog, true);
    std::sort(lines.begin(), lines.end());
    std::sort(expected.begin(), expected.end());
    findings.Check(lines == expected, "the list holds one line per simulated device");
    findings.Check(::SendMessageW(Driver::Control(dialog, ControlId::deviceList), LB_GETCURSEL, 0,
                                  0) == LB_ERR,
                   "no line selected after the search");
    ::PostMessageW(dialog, WM_CLOSE, 0, 0);
    findings.Check(Driver::WaitUntilGone(dialog, kWindowClosesMs),
                   "the close box ends the idle dialog");
    return 0;
}

int LineOf(const std::vector<std::string>& lines, const std::string& address) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].rfind(address + " ", 0) == 0) return static_cast<int>(i);
    }
    return -1;
}

// Answers the message box that the dialog shows next; returns its main text. detail, when
// given, receives what stands beneath it.
std::string AnswerMessageBox(Findings& findings, HWND dialog, DWORD timeoutMs, int button,
                             std::string* detail = nullptr) {
    HWND box = Driver::WaitForMessageBox(dialog, timeoutMs);
    if (!findings.Check(box != nullptr, "a message box appears")) return {};
    const std::string text = Driver::MessageBoxText(box);
    if (detail != nullptr) {
        detail->clear();
        for (const std::string& piece : Driver::StaticTexts(box)) {
            if (piece != text) *detail += piece + "\n";
        }
        findings.Note("beneath " + text + ": " + *detail);
    }
    findings.Check(Driver::Text(box) == kMessageCaption,
                   "message box caption " + Driver::Text(box));
    Driver::ClickLater(::GetDlgItem(box, button));
    findings.Check(Driver::WaitUntilGone(box, kWindowClosesMs), "the message box closes");
    return text;
}

// While the upload runs: the uploading layout, and every way of closing is refused.
void CheckUploading(Findings& findings, HWND dialog) {
    bool uploading = false;
    for (int i = 0; i < 750 && !uploading; ++i) {
        uploading = Visible(dialog, ControlId::progress);
        if (!uploading) ::Sleep(20);
    }
    if (!findings.Check(uploading, "uploading: progress bar shown")) return;
    for (ControlId id :
         {ControlId::interfaceList, ControlId::search, ControlId::deviceList, ControlId::write}) {
        findings.Check(!Enabled(dialog, id),
                       "uploading: control " + std::to_string(static_cast<int>(id)) + " disabled");
    }
    findings.Check(!Visible(dialog, ControlId::version), "uploading: version label hidden");

    ::PostMessageW(dialog, WM_CLOSE, 0, 0);
    ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    ::PostMessageW(Driver::Control(dialog, ControlId::progress), WM_KEYDOWN, VK_ESCAPE, 0);
    ::Sleep(500);
    const bool stillUploading = Visible(dialog, ControlId::progress);
    findings.Check(::IsWindow(dialog) && ::IsWindowVisible(dialog),
                   "close box, Escape, IDOK and IDCANCEL during the upload leave the dialog open");
    if (!stillUploading) findings.Note("the upload had ended before the close was tried");
    findings.Check(stillUploading, "the close was tried while the upload ran");

    int position = 0;
    for (int i = 0; i < 500 && position == 0 && Visible(dialog, ControlId::progress); ++i) {
        position = static_cast<int>(
            ::SendMessageW(Driver::Control(dialog, ControlId::progress), PBM_GETPOS, 0, 0));
        if (position == 0) ::Sleep(10);
    }
    findings.Check(position > 0, "the progress bar moves: " + std::to_string(position));
}

int JobScenario(Findings& findings, HWND dialog, const std::string& address,
                const std::string& firmwarePath) {
    std::vector<std::string> lines = Search(findings, dialog);
    const int line = LineOf(lines, address);
    if (!findings.Check(line >= 0, "the device " + address + " is listed")) return 1;

    Driver::SelectDeviceLine(dialog, line);
    findings.Check(Enabled(dialog, ControlId::write), "selecting a line enables Write");
    Driver::ClickLater(Driver::Control(dialog, ControlId::write));
    std::string detail;
    const std::string confirmation =
        AnswerMessageBox(findings, dialog, kBoxAppearsMs, IDOK, &detail);
    findings.Check(confirmation == firmwarePath + " を書き込みます。",
                   "confirmation text " + confirmation);
    findings.Check(detail.find(lines[static_cast<std::size_t>(line)]) != std::string::npos,
                   "the confirmation names the device");

    CheckUploading(findings, dialog);

    const std::string outcome = AnswerMessageBox(findings, dialog, kUploadEndsMs, IDOK, &detail);
    findings.Check(outcome == "正常終了", "outcome " + outcome);
    findings.Check(detail.find(address) != std::string::npos,
                   "what was written stands beneath the outcome");

    const std::vector<std::string> after =
        Driver::ListLines(Driver::Control(dialog, ControlId::deviceList));
    findings.Check(after.size() + 1 == lines.size() && LineOf(after, address) == -1,
                   "the written device's line is gone, the others stay");
    findings.Check(::SendMessageW(Driver::Control(dialog, ControlId::deviceList), LB_GETCURSEL, 0,
                                  0) == LB_ERR,
                   "no line selected after the job");
    CheckIdleLayout(findings, dialog, false);

    ::PostMessageW(dialog, WM_CLOSE, 0, 0);
    findings.Check(Driver::WaitUntilGone(dialog, kWindowClosesMs),
                   "the close box ends the dialog afterwards");
    return 0;
}

// The file dialog of Write: its two filters, a name typed in, OK; the confirmation names that
// file. Cancel ends it there.
int FileDialogScenario(Findings& findings, HWND dialog, const std::string& typedName) {
    const std::vector<std::string> lines = Search(findings, dialog);
    if (!findings.Check(!lines.empty(), "the search found a device")) return 1;
    Driver::SelectDeviceLine(dialog, 0);
    Driver::ClickLater(Driver::Control(dialog, ControlId::write));

    HWND files = Driver::WaitForMessageBox(dialog, kBoxAppearsMs);
    if (!findings.Check(files != nullptr, "the file dialog appears")) return 1;
    constexpr int kFileTypeList = 0x470;  // cmb1
    HWND types = ::GetDlgItem(files, kFileTypeList);
    findings.Check(Driver::ComboLines(types) ==
                       std::vector<std::string>{"Firmware file (*.bin)", "all files(*.*)"},
                   "two filters, firmware files first");
    findings.Check(::SendMessageW(types, CB_GETCURSEL, 0, 0) == 0, "firmware files chosen");
    // The file name box is an extended combo box (cmb13), or an edit box (edt1) in older
    // layouts; the text goes into its edit box.
    HWND name = ::GetDlgItem(files, 0x47c);
    if (name != nullptr && Driver::ClassName(name) == "ComboBoxEx32") {
        name = reinterpret_cast<HWND>(::SendMessageW(name, CBEM_GETEDITCONTROL, 0, 0));
    }
    if (name == nullptr) name = ::GetDlgItem(files, 0x480);
    if (!findings.Check(name != nullptr, "the file name box")) return 1;
    // The dialog may still be filling itself in when it shows: type until the name stays.
    const std::wstring wide = Widen(typedName);
    bool typed = false;
    for (int i = 0; i < 50 && !typed; ++i) {
        ::SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
        ::Sleep(100);
        typed = Driver::Text(name) == typedName;
    }
    findings.Check(typed, "the name is typed");
    Driver::ClickLater(::GetDlgItem(files, IDOK));
    findings.Check(Driver::WaitUntilGone(files, kWindowClosesMs), "the file dialog closes");

    const std::string confirmation = AnswerMessageBox(findings, dialog, kBoxAppearsMs, IDCANCEL);
    findings.Check(confirmation == typedName + " を書き込みます。",
                   "confirmation text " + confirmation);
    CheckIdleLayout(findings, dialog, true);

    // Enter outside a push button ends the idle dialog as the dialog manager's default does.
    ::PostMessageW(Driver::Control(dialog, ControlId::deviceList), WM_KEYDOWN, VK_RETURN, 0);
    findings.Check(Driver::WaitUntilGone(dialog, kWindowClosesMs),
                   "Enter on the device list ends the dialog");
    return 0;
}

// Writes the dialog, frame included, as the screen shows it, into a 24-bit BMP file.
// The screen's pixels within rect, as a 24-bit BMP file.
bool SaveScreenPicture(const RECT& rect, const std::wstring& path) {
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    ::SelectObject(memory, previous);

    const int stride = (width * 3 + 3) & ~3;
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    std::vector<BYTE> pixels(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height));
    const int lines = ::GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(),
                                  reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    if (lines != height) return false;

    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    std::FILE* out = ::_wfopen(path.c_str(), L"wb");
    if (out == nullptr) return false;
    const bool written = std::fwrite(&file, sizeof file, 1, out) == 1 &&
                         std::fwrite(&header, sizeof header, 1, out) == 1 &&
                         std::fwrite(pixels.data(), pixels.size(), 1, out) == 1;
    return std::fclose(out) == 0 && written;
}

// A device that refuses the factory password: the outcome's own words, the cause beneath.
int RefusedScenario(Findings& findings, HWND dialog, const std::string& address) {
    const std::vector<std::string> lines = Search(findings, dialog);
    const int line = LineOf(lines, address);
    if (!findings.Check(line >= 0, "the device " + address + " is listed")) return 1;
    Driver::SelectDeviceLine(dialog, line);
    Driver::ClickLater(Driver::Control(dialog, ControlId::write));
    AnswerMessageBox(findings, dialog, kBoxAppearsMs, IDOK);
    std::string cause;
    const std::string outcome = AnswerMessageBox(findings, dialog, kUploadEndsMs, IDOK, &cause);
    findings.Check(outcome == "TAVRO通信エラー", "outcome " + outcome);
    findings.Check(cause.find(address) != std::string::npos, "the cause stands beneath it");
    ::PostMessageW(dialog, WM_CLOSE, 0, 0);
    findings.Check(Driver::WaitUntilGone(dialog, kWindowClosesMs), "the close box ends the dialog");
    return 0;
}

// Chooses the dialog's own item of the system menu, as the menu does: a WM_SYSCOMMAND.
void ChooseMenuItem(HWND dialog, MenuItem item) {
    const auto& entries = DialogMenuEntries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].item == item) ::PostMessageW(dialog, WM_SYSCOMMAND, MenuCommandOf(i), 0);
    }
}

std::string ReadWholeFile(const std::wstring& path) {
    std::string bytes;
    if (std::FILE* file = ::_wfopen(path.c_str(), L"rb")) {
        char buffer[4096];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
            bytes.append(buffer, got);
        std::fclose(file);
    }
    return bytes;
}

// A device with a password of its own: the password typed into the menu's masked prompt, the
// log pane shown and hidden through the menu with its trace whole, then saved.
int MenuScenario(Findings& findings, HWND dialog, const std::string& address,
                 const std::string& password, const std::wstring& savePath) {
    const std::vector<std::string> lines = Search(findings, dialog);
    const int line = LineOf(lines, address);
    if (!findings.Check(line >= 0, "the device " + address + " is listed")) return 1;

    ChooseMenuItem(dialog, MenuItem::password);
    HWND prompt = Driver::WaitForMessageBox(dialog, kBoxAppearsMs);
    if (!findings.Check(prompt != nullptr, "the password prompt appears")) return 1;
    HWND field = ::GetDlgItem(prompt, kTextPromptFieldId);
    findings.Check((::GetWindowLongW(field, GWL_STYLE) & ES_PASSWORD) != 0, "the field is masked");
    const std::wstring typed = Widen(password);
    ::SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()));
    Driver::ClickLater(::GetDlgItem(prompt, IDOK));
    findings.Check(Driver::WaitUntilGone(prompt, kWindowClosesMs), "the prompt closes");

    ChooseMenuItem(dialog, MenuItem::showLog);
    ::Sleep(300);
    findings.Check(Visible(dialog, ControlId::log), "the menu shows the log pane");

    Driver::SelectDeviceLine(dialog, line);
    Driver::ClickLater(Driver::Control(dialog, ControlId::write));
    AnswerMessageBox(findings, dialog, kBoxAppearsMs, IDOK);
    const std::string outcome = AnswerMessageBox(findings, dialog, kUploadEndsMs, IDOK);
    findings.Check(outcome == "正常終了", "outcome " + outcome);

    const std::string trace = Driver::Text(Driver::Control(dialog, ControlId::log));
    findings.Check(trace.find("recv: \"AUTH\"") != std::string::npos, "the pane holds the trace");
    findings.Check(trace.find(password) == std::string::npos, "the password is in no log line");
    ChooseMenuItem(dialog, MenuItem::showLog);
    ::Sleep(300);
    findings.Check(!Visible(dialog, ControlId::log), "the menu hides the log pane");
    findings.Check(Driver::Text(Driver::Control(dialog, ControlId::log)) == trace,
                   "the hidden pane keeps its trace");

    ChooseMenuItem(dialog, MenuItem::saveLog);
    std::string saved;
    for (int i = 0; i < 100 && saved.empty(); ++i) {
        ::Sleep(50);
        saved = ReadWholeFile(savePath);
    }
    findings.Check(saved == trace, "the saved file equals the pane's text");

    ::PostMessageW(dialog, WM_CLOSE, 0, 0);
    findings.Check(Driver::WaitUntilGone(dialog, kWindowClosesMs), "the close box ends the dialog");
    return 0;
}

bool SaveWindowPicture(HWND window, const std::wstring& path) {
    RECT rect{};
    ::GetWindowRect(window, &rect);
    return SaveScreenPicture(rect, path);
}

// The smallest rectangle around both windows, with a margin for the shadow of a popup.
RECT AroundBoth(HWND first, HWND second) {
    RECT a{};
    RECT b{};
    RECT both{};
    ::GetWindowRect(first, &a);
    ::GetWindowRect(second, &b);
    ::UnionRect(&both, &a, &b);
    ::InflateRect(&both, 4, 4);
    both.left = std::max<LONG>(both.left, 0);
    both.top = std::max<LONG>(both.top, 0);
    return both;
}

// The README's picture of a failure: the outcome box with its cause over the dialog.
int CauseScreenshotScenario(Findings& findings, HWND dialog, const std::string& address,
                            const std::wstring& path) {
    const std::vector<std::string> lines = Search(findings, dialog);
    const int line = LineOf(lines, address);
    if (!findings.Check(line >= 0, "the device " + address + " is listed")) return 1;
    Driver::SelectDeviceLine(dialog, line);
    Driver::ClickLater(Driver::Control(dialog, ControlId::write));
    AnswerMessageBox(findings, dialog, kBoxAppearsMs, IDOK);
    HWND box = Driver::WaitForMessageBox(dialog, kUploadEndsMs);
    if (!findings.Check(box != nullptr, "the outcome box appears")) return 1;
    // Centred over the dialog, where Windows puts a box positioned relative to its owner.
    RECT outer{};
    RECT inner{};
    ::GetWindowRect(dialog, &outer);
    ::GetWindowRect(box, &inner);
    const int x = outer.left + ((outer.right - outer.left) - (inner.right - inner.left)) / 2;
    const int y = outer.top + ((outer.bottom - outer.top) - (inner.bottom - inner.top)) / 2;
    ::SetWindowPos(box, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::Sleep(500);
    findings.Check(SaveScreenPicture(AroundBoth(dialog, box), path), "the picture is written");
    Driver::ClickLater(::GetDlgItem(box, IDOK));
    Driver::WaitUntilGone(box, kWindowClosesMs);
    ::PostMessageW(dialog, WM_CLOSE, 0, 0);
    findings.Check(Driver::WaitUntilGone(dialog, kWindowClosesMs), "the close box ends the dialog");
    return 0;
}

// The README's picture of the menu: the dialog's system menu open, as Alt+Space opens it.
int MenuScreenshotScenario(Findings& findings, HWND dialog, const std::wstring& path) {
    Search(findings, dialog);
    ::SetForegroundWindow(dialog);
    ::PostMessageW(dialog, WM_SYSCOMMAND, SC_KEYMENU, L' ');
    HWND menu = nullptr;
    for (int i = 0; i < 250 && menu == nullptr; ++i) {
        menu = ::FindWindowW(L"#32768", nullptr);
        if (menu == nullptr || !::IsWindowVisible(menu)) {
            menu = nullptr;
            ::Sleep(20);
        }
    }
    if (!findings.Check(menu != nullptr, "the system menu opens")) return 1;
    ::Sleep(500);
    findings.Check(SaveScreenPicture(AroundBoth(dialog, menu), path), "the picture is written");
    // The owner's WM_CANCELMODE ends the menu's own message loop.
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutW(dialog, WM_CANCELMODE, 0, 0, SMTO_NORMAL, kWindowClosesMs, &ignored);
    ::Sleep(300);
    ::PostMessageW(dialog, WM_CLOSE, 0, 0);
    findings.Check(Driver::WaitUntilGone(dialog, kWindowClosesMs), "the close box ends the dialog");
    return 0;
}

// The README's picture: the dialog after a search, with the first device line selected.
int ScreenshotScenario(Findings& findings, HWND dialog, const std::wstring& path) {
    const std::vector<std::string> lines = Search(findings, dialog);
    findings.Check(!lines.empty(), "the search found devices");
    Driver::SelectDeviceLine(dialog, 0);
    ::SetForegroundWindow(dialog);
    ::RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    ::Sleep(500);
    findings.Check(SaveWindowPicture(dialog, path), "the picture is written");
    ::PostMessageW(dialog, WM_CLOSE, 0, 0);
    findings.Check(Driver::WaitUntilGone(dialog, kWindowClosesMs), "the close box ends the dialog");
    return 0;
}

// No usable interface: the message, and the dialog never shows.
int NoInterfaceScenario(Findings& findings) {
    HWND box = Driver::WaitForCaptionedBox(kMessageCaption, kDialogAppearsMs);
    if (!findings.Check(box != nullptr, "a message box appears")) return 1;
    const std::string text = Driver::MessageBoxText(box);
    findings.Check(text == "ネットワークデバイスが見つかりませんでした。", "message " + text);
    findings.Check(Driver::WaitForDialog(0) == nullptr, "the dialog is not shown");
    Driver::ClickLater(::GetDlgItem(box, IDOK));
    findings.Check(Driver::WaitUntilGone(box, kWindowClosesMs), "the message box closes");
    return 0;
}

int Play(Findings& findings, const std::vector<std::string>& args) {
    if (args[0] == "no-interface") return NoInterfaceScenario(findings);
    HWND dialog = Driver::WaitForDialog(kDialogAppearsMs);
    if (!findings.Check(dialog != nullptr, "the dialog appears")) return 1;
    const std::string& scenario = args[0];
    if (scenario == "template" && args.size() == 2) {
        return TemplateScenario(findings, dialog, Widen(args[1]));
    }
    if (scenario == "search") {
        return SearchScenario(findings, dialog, {args.begin() + 1, args.end()});
    }
    if (scenario == "file-dialog" && args.size() == 2) {
        return FileDialogScenario(findings, dialog, args[1]);
    }
    if (scenario == "screenshot" && args.size() == 2) {
        return ScreenshotScenario(findings, dialog, Widen(args[1]));
    }
    if (scenario == "screenshot-cause" && args.size() == 3) {
        return CauseScreenshotScenario(findings, dialog, args[1], Widen(args[2]));
    }
    if (scenario == "screenshot-menu" && args.size() == 2) {
        return MenuScreenshotScenario(findings, dialog, Widen(args[1]));
    }
    if (scenario == "menu" && args.size() == 4) {
        return MenuScenario(findings, dialog, args[1], args[2], Widen(args[3]));
    }
    if (scenario == "refused" && args.size() == 2) {
        return RefusedScenario(findings, dialog, args[1]);
    }
    if (scenario == "job" && args.size() == 3) {
        return JobScenario(findings, dialog, args[1], args[2]);
    }
    findings.Check(false, "known scenario " + scenario);
    return 1;
}

}  // namespace
}  // namespace tavro::ui::test

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 2;
    std::FILE* out = ::_wfopen(argv[1], L"w");
    if (out == nullptr) return 2;
    std::vector<std::string> args;
    for (int i = 2; i < argc; ++i) args.push_back(tavro::ui::Narrow(argv[i]));
    tavro::ui::test::Findings findings(out);
    const int status = tavro::ui::test::Play(findings, args);
    std::fclose(out);
    return status != 0 || findings.failures() != 0 ? 1 : 0;
}
