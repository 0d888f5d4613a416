#include "ui/accessible_names.h"

namespace tavro::ui {

std::optional<const char*> AccessibleName(ControlId id) {
    switch (id) {
        case ControlId::interfaceList:
            return "ネットワークデバイス選択";
        case ControlId::deviceList:
            return "デバイス一覧";
        case ControlId::log:
            return "ログ";
        case ControlId::progress:
            return "書き込みの進み具合";
        case ControlId::version:
            return "バージョン";
        case ControlId::write:
        case ControlId::search:
            break;
    }
    return std::nullopt;
}

}  // namespace tavro::ui
