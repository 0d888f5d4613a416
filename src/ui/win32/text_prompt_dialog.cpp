#include "ui/win32/text_prompt_dialog.h"

#include <vector>

#include "ui/win32/wide_text.h"

namespace tavro::ui {
namespace {

constexpr WORD kButtonAtom = 0x0080;
constexpr WORD kEditAtom = 0x0081;
constexpr WORD kStaticAtom = 0x0082;
constexpr int kFieldLimit = 256;

// A plain in-memory dialog template: the header, then one entry per control.
class PromptTemplate {
public:
    PromptTemplate(const std::wstring& caption, const std::wstring& fontFace, WORD controls) {
        Dword(DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU);
        Dword(0);
        Word(controls);
        Rect(0, 0, 220, 62);
        Word(0);  // no menu
        Word(0);  // the dialog class
        Text(caption);
        Word(9);  // points
        Text(fontFace);
    }
    void Control(WORD atom, int id, DWORD style, short x, short y, short cx, short cy,
                 const std::wstring& text) {
        if (words_.size() % 2 != 0) Word(0);
        Dword(WS_CHILD | WS_VISIBLE | style);
        Dword(0);
        Rect(x, y, cx, cy);
        Word(static_cast<WORD>(id));
        Word(0xFFFF);
        Word(atom);
        Text(text);
        Word(0);  // no creation data
    }
    const DLGTEMPLATE* Image() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    void Word(WORD value) { words_.push_back(value); }
    void Dword(DWORD value) {
        Word(LOWORD(value));
        Word(HIWORD(value));
    }
    void Rect(short x, short y, short cx, short cy) {
        for (short value : {x, y, cx, cy}) Word(static_cast<WORD>(value));
    }
    void Text(const std::wstring& text) {
        for (wchar_t c : text) Word(static_cast<WORD>(c));
        Word(0);
    }

    std::vector<WORD> words_;
};

struct PromptState {
    std::wstring initial;
    std::wstring typed;
};

INT_PTR CALLBACK PromptProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* state = reinterpret_cast<PromptState*>(lParam);
        ::SetWindowLongPtrW(window, DWLP_USER, lParam);
        HWND field = ::GetDlgItem(window, kTextPromptFieldId);
        ::SendMessageW(field, EM_LIMITTEXT, kFieldLimit, 0);
        ::SetWindowTextW(field, state->initial.c_str());
        ::SendMessageW(field, EM_SETSEL, 0, -1);
        return TRUE;  // the focus goes to the field, the first tab stop
    }
    if (message != WM_COMMAND) return FALSE;
    const int id = LOWORD(wParam);
    if (id == IDOK) {
        auto* state = reinterpret_cast<PromptState*>(::GetWindowLongPtrW(window, DWLP_USER));
        std::vector<wchar_t> text(kFieldLimit + 1, L'\0');
        ::GetDlgItemTextW(window, kTextPromptFieldId, text.data(), static_cast<int>(text.size()));
        state->typed = text.data();
        // The password leaves no copy behind in this buffer.
        ::SecureZeroMemory(text.data(), text.size() * sizeof(wchar_t));
        ::EndDialog(window, IDOK);
        return TRUE;
    }
    if (id == IDCANCEL) {
        ::EndDialog(window, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

std::optional<std::wstring> AskTextInDialog(HINSTANCE instance, HWND owner,
                                            const TextPrompt& prompt,
                                            const std::wstring& fontFace) {
    PromptTemplate image(Widen(prompt.caption), fontFace, 4);
    image.Control(kStaticAtom, -1, SS_LEFT, 7, 7, 206, 10, Widen(prompt.label));
    const DWORD fieldStyle = WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL |
                             (prompt.masked ? ES_PASSWORD : 0) |
                             (prompt.digitsOnly ? ES_NUMBER : 0);
    image.Control(kEditAtom, kTextPromptFieldId, fieldStyle, 7, 20, 206, 12, {});
    image.Control(kButtonAtom, IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 109, 41, 50, 14, L"OK");
    image.Control(kButtonAtom, IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 163, 41, 50, 14,
                  L"キャンセル");
    PromptState state{Widen(prompt.initial), {}};
    const INT_PTR answer = ::DialogBoxIndirectParamW(
        instance, image.Image(), owner, PromptProcedure, reinterpret_cast<LPARAM>(&state));
    if (answer != IDOK) return std::nullopt;
    return state.typed;
}

}  // namespace tavro::ui
