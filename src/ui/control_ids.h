#pragma once

namespace tavro::ui {

// Ids of the dialog template IDD_WRITER_DIALOG and its resources.
inline constexpr int IDD_WRITER_DIALOG = 102;
inline constexpr int IDR_MAINFRAME = 128;

enum class ControlId : int {
    log = 1000,            // IDC_LOG
    write = 1001,          // IDC_WRITE
    deviceList = 1002,     // IDC_DEVICE_LIST
    search = 1003,         // IDC_SEARCH
    progress = 1004,       // IDC_PROGRESS
    version = 1005,        // IDC_VERSION
    interfaceList = 1036,  // IDC_INTERFACE
};

}  // namespace tavro::ui
