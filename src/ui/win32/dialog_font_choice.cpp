#include "ui/win32/dialog_font_choice.h"

#include <windows.h>

#include "ui/win32/wide_text.h"

namespace tavro::ui {
namespace {

int CALLBACK NoteFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool FontInstalled(const std::wstring& face) {
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    if (face.size() >= LF_FACESIZE) return false;
    face.copy(wanted.lfFaceName, face.size());
    HDC screen = ::GetDC(nullptr);
    bool found = false;
    ::EnumFontFamiliesExW(screen, &wanted, NoteFound, reinterpret_cast<LPARAM>(&found), 0);
    ::ReleaseDC(nullptr, screen);
    return found;
}

}  // namespace

std::wstring ChooseDialogFontFace(const char* templateFamily) {
    // The template's family by its Japanese and its Latin name; then the proportional Japanese
    // UI faces of Windows versions without it; then IPA's, as Wine on Linux finds it.
    const std::wstring candidates[] = {Widen(templateFamily), L"MS PGothic",   L"MS UI Gothic",
                                       L"Meiryo UI",          L"Yu Gothic UI", L"IPAPGothic",
                                       L"IPAPゴシック"};
    for (const std::wstring& face : candidates) {
        if (FontInstalled(face)) return face;
    }
    return L"MS Shell Dlg";
}

}  // namespace tavro::ui
