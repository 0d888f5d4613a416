#include "ui/win32/dialog_template_image.h"

#include "ui/win32/control_styles.h"
#include "ui/win32/wide_text.h"

namespace tavro::ui {
namespace {

// Appends the fields of an extended dialog template in the order the dialog manager reads them.
class TemplateWriter {
public:
    void Word(WORD value) { words_.push_back(value); }
    void Dword(DWORD value) {
        Word(LOWORD(value));
        Word(HIWORD(value));
    }
    void Short(int value) { Word(static_cast<WORD>(static_cast<short>(value))); }
    void Text(const std::wstring& text) {
        for (wchar_t c : text) Word(static_cast<WORD>(c));
        Word(0);
    }
    void Atom(WORD atom) {
        Word(0xFFFF);
        Word(atom);
    }
    // Each control's entry starts on a DWORD boundary.
    void AlignToDword() {
        if (words_.size() % 2 != 0) Word(0);
    }
    std::vector<WORD> Take() { return std::move(words_); }

private:
    std::vector<WORD> words_;
};

void WriteHeader(TemplateWriter& out, const DialogTemplate& dialog, const std::wstring& fontFace) {
    out.Word(1);       // dlgVer
    out.Word(0xFFFF);  // signature: the extended form
    out.Dword(0);      // helpID
    out.Dword(kWriterDialogExStyle);
    out.Dword(kWriterDialogStyle);
    out.Word(static_cast<WORD>(dialog.controls.size()));
    out.Short(0);
    out.Short(0);
    out.Short(dialog.width);
    out.Short(dialog.height);
    out.Word(0);  // no menu
    out.Word(0);  // the dialog class
    out.Text(Widen(dialog.caption));
    out.Word(static_cast<WORD>(dialog.fontPointSize));
    out.Word(FW_NORMAL);
    out.Word(MAKEWORD(FALSE, DEFAULT_CHARSET));  // italic, then the character set
    out.Text(fontFace);
}

void WriteControl(TemplateWriter& out, const TemplateControl& control) {
    const Win32ControlClass kind = Win32ClassOf(control.kind);
    out.AlignToDword();
    out.Dword(0);  // helpID
    out.Dword(0);  // exStyle
    out.Dword(WS_CHILD | WS_VISIBLE | kind.style);
    out.Short(control.rect.x);
    out.Short(control.rect.y);
    out.Short(control.rect.width);
    out.Short(control.rect.height);
    // The controls without an id carry -1, as resource compilers give IDC_STATIC.
    out.Dword(control.id ? static_cast<DWORD>(*control.id) : static_cast<DWORD>(-1));
    if (kind.predefinedAtom != 0) {
        out.Atom(kind.predefinedAtom);
    } else {
        out.Text(kind.className);
    }
    out.Text(Widen(control.text));
    out.Word(0);  // no creation data
}

}  // namespace

std::vector<WORD> BuildDialogTemplateImage(const DialogTemplate& dialog,
                                           const std::wstring& fontFace) {
    TemplateWriter out;
    WriteHeader(out, dialog, fontFace);
    for (const TemplateControl& control : dialog.controls) WriteControl(out, control);
    return out.Take();
}

}  // namespace tavro::ui
