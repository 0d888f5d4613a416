#include "ui/dialog_template.h"

namespace tavro::ui {

const DialogTemplate& WriterDialogTemplate() {
    static const DialogTemplate kTemplate{
        279,
        240,
        "無線TAVRO ファームウェアアップデータ",
        "ＭＳ Ｐゴシック",
        9,
        {{
            {std::nullopt,
             ControlKind::label,
             "interfaceLabel",
             "ネットワークデバイス選択(&N)",
             {5, 10, 270, 8}},
            // The height of the combo box is the height of its open drop-down list.
            {ControlId::interfaceList,
             ControlKind::dropDownList,
             "IDC_INTERFACE",
             "",
             {5, 20, 270, 330}},
            {std::nullopt, ControlKind::etchedLine, "separatorLine", "", {5, 45, 270, 1}},
            {ControlId::search, ControlKind::pushButton, "IDC_SEARCH", "検索(&S)", {5, 55, 50, 14}},
            {ControlId::deviceList, ControlKind::listBox, "IDC_DEVICE_LIST", "", {5, 75, 165, 135}},
            {ControlId::log, ControlKind::logEdit, "IDC_LOG", "", {175, 75, 100, 85}},
            {ControlId::write,
             ControlKind::pushButton,
             "IDC_WRITE",
             "書き込み(&W)",
             {175, 175, 100, 34}},
            // The progress bar and the version label share one place; one is shown at a time.
            {ControlId::progress,
             ControlKind::progressBar,
             "IDC_PROGRESS",
             "Progress1",
             {5, 221, 270, 14}},
            {ControlId::version, ControlKind::label, "IDC_VERSION", "Static", {5, 221, 270, 8}},
        }},
    };
    return kTemplate;
}

}  // namespace tavro::ui
