#include "ui/win32/accessible_names_win32.h"

// oleacc.h builds on the COM types of windows.h and ole2.h.
// clang-format off
#include <ole2.h>
#include <initguid.h>
#include <oleacc.h>
// clang-format on

#include "ui/accessible_names.h"
#include "ui/win32/wide_text.h"

namespace tavro::ui {

void AnnotateAccessibleNames(HWND dialog) {
    IAccPropServices* services = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IAccPropServices, reinterpret_cast<void**>(&services)))) {
        return;
    }
    for (ControlId id : {ControlId::interfaceList, ControlId::deviceList, ControlId::log,
                         ControlId::progress, ControlId::version}) {
        if (const std::optional<const char*> name = AccessibleName(id)) {
            services->SetHwndPropStr(::GetDlgItem(dialog, static_cast<int>(id)),
                                     static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                     PROPID_ACC_NAME, Widen(*name).c_str());
        }
    }
    services->Release();
}

}  // namespace tavro::ui
