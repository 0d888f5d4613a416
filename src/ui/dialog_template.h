#pragma once

#include <array>
#include <optional>

#include "ui/control_ids.h"

namespace tavro::ui {

// A rectangle in dialog units: x, y, width, height.
struct DialogRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

enum class ControlKind {
    label,         // static text
    dropDownList,  // combo box that only picks from its lines
    etchedLine,    // etched horizontal line
    pushButton,
    listBox,      // single selection, unsorted, notifies on change
    logEdit,      // multi-line, read-only, vertical scroll
    progressBar,  // border, no text
};

// One control of the template, in tab order.
struct TemplateControl {
    std::optional<ControlId> id;  // none for the static texts and the line
    ControlKind kind;
    const char* objectName;  // "IDC_..." for the controls with an id
    const char* text;        // UTF-8
    DialogRect rect;
};

// The dialog template IDD_WRITER_DIALOG: size, caption, font and the nine controls.
struct DialogTemplate {
    int width;
    int height;
    const char* caption;
    const char* fontFamily;
    int fontPointSize;
    std::array<TemplateControl, 9> controls;
};

const DialogTemplate& WriterDialogTemplate();

}  // namespace tavro::ui
