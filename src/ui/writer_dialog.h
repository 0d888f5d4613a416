#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "discovery/device_table.h"
#include "interfaces/local_interface.h"
#include "net/ipv4_address.h"
#include "ui/dialog_controls.h"
#include "ui/writer_services.h"
#include "upload/upload_report.h"
#include "upload/upload_result.h"

namespace tavro::ui {

// The behaviour of the main dialog: start-up, the two layouts, the interface and device
// lists, Search, Write, the upload worker and the outcome timer. It reaches its window only
// through DialogControls, so every handler runs the same against Qt and against test fakes.
class WriterDialog : public DialogEvents {
public:
    static constexpr int kOutcomeTimerId = 0;
    static constexpr int kOutcomeTimerPeriodMs = 10;

    WriterDialog(DialogControls& controls, WriterServices services);
    ~WriterDialog() override;
    WriterDialog(const WriterDialog&) = delete;
    WriterDialog& operator=(const WriterDialog&) = delete;

    bool OnInitDialog() override;
    void OnWrite() override;
    void OnSearch() override;
    void OnInterfaceSelectionChange() override;
    void OnDeviceSelectionChange() override;
    void OnTimer(int id) override;
    bool CanClose() const override;
    MenuState CurrentMenuState() const override;
    void OnMenu(MenuItem item) override;

    // Idle layout (true) or uploading layout (false).
    void EnableControls(bool enable);
    // Deletes device line index and its row; the rows behind it move up; nothing stays selected.
    void RemoveDevice(int index);

    const std::string& versionText() const { return m_versionText; }
    const interfaces::InterfaceTable& interfaceTable() const { return m_interfaceTable; }
    // The dotted quad of the chosen interface's address; empty before the list is filled.
    std::string selectedLocalAddress() const {
        return m_selectedLocalAddress ? m_selectedLocalAddress->ToString() : std::string();
    }
    discovery::DeviceTable& deviceTable() { return m_deviceTable; }
    const std::string& firmwarePath() const { return m_firmwarePath; }
    bool uploadBusy() const { return m_uploadBusy.load(std::memory_order_acquire) != 0; }
    bool searchBusy() const { return m_searchBusy; }
    // The log pane's whole text, as appended.
    const std::string& logText() const { return m_logText; }
    std::uint16_t localPort() const { return m_localPort; }

private:
    class LogPane;
    void FillInterfaceList();
    void EnterSearchLayout(bool searching);
    void FinishSearch(const discovery::SearchOutcome& outcome);
    void ListFoundDevices(const discovery::SearchOutcome& outcome);
    void EnableWrite(bool enable);
    void AskPassword();
    void AskConnectPort();
    void ShowLog(bool show);
    void SaveLog();
    void StartUpload();
    void RunUploadOnWorker();
    std::string ConfirmationDetail();
    void ShowOutcome(const upload::UploadReport& report);

    DialogControls& m_controls;
    WriterServices m_services;
    std::string m_versionText;
    interfaces::InterfaceTable m_interfaceTable;
    std::optional<net::Ipv4Address> m_selectedLocalAddress;
    discovery::DeviceTable m_deviceTable;
    std::string m_firmwarePath;
    std::string m_password;         // answers the device's challenge; never shown or logged
    std::uint16_t m_localPort = 0;  // the device connects back to it; 0: the system picks
    std::string m_logText;          // the log pane's text; only the UI thread touches it
    bool m_logShown = false;
    std::atomic<std::int32_t> m_uploadBusy{0};
    // Written by the worker before it clears m_uploadBusy.
    upload::UploadReport m_uploadReport;
    double m_uploadSeconds = 0;
    bool m_searchBusy = false;      // a search runs on a worker; only the UI thread sees this
    bool m_writeEnabled = false;    // what the Write button was last set to
    bool m_outcomePending = false;  // a job started whose outcome has not been shown yet
    std::unique_ptr<LogPane> m_logPane;
};

}  // namespace tavro::ui
