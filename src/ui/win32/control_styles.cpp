#include "ui/win32/control_styles.h"

#include <commctrl.h>

namespace tavro::ui {
namespace {

// The atoms of the predefined classes in a dialog template.
constexpr WORD kButtonAtom = 0x0080;
constexpr WORD kEditAtom = 0x0081;
constexpr WORD kStaticAtom = 0x0082;
constexpr WORD kListBoxAtom = 0x0083;
constexpr WORD kComboBoxAtom = 0x0085;

}  // namespace

Win32ControlClass Win32ClassOf(ControlKind kind) {
    switch (kind) {
        case ControlKind::label:
            return {L"Static", kStaticAtom, SS_LEFT | WS_GROUP};
        case ControlKind::dropDownList:
            return {L"ComboBox", kComboBoxAtom, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP};
        case ControlKind::etchedLine:
            return {L"Static", kStaticAtom, SS_ETCHEDHORZ};
        case ControlKind::pushButton:
            return {L"Button", kButtonAtom, BS_PUSHBUTTON | WS_TABSTOP};
        case ControlKind::listBox:
            return {L"ListBox", kListBoxAtom,
                    LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_BORDER | WS_VSCROLL | WS_TABSTOP};
        case ControlKind::logEdit:
            return {L"Edit", kEditAtom,
                    ES_MULTILINE | ES_READONLY | WS_BORDER | WS_VSCROLL | WS_TABSTOP};
        case ControlKind::progressBar:
            return {PROGRESS_CLASSW, 0, WS_BORDER};
    }
    return {L"Static", kStaticAtom, 0};
}

}  // namespace tavro::ui
