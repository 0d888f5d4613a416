#include "ui/dialog_menu.h"

namespace tavro::ui {

const std::array<MenuEntry, 4>& DialogMenuEntries() {
    static const std::array<MenuEntry, 4> entries = {{
        {MenuItem::password, "アップロードパスワード(&P)..."},
        {MenuItem::connectPort, "接続ポート(&C)..."},
        {MenuItem::showLog, "ログを表示(&L)"},
        {MenuItem::saveLog, "ログを保存(&S)..."},
    }};
    return entries;
}

}  // namespace tavro::ui
