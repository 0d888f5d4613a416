#include "ui/writer_dialog.h"

#include <chrono>
#include <string_view>
#include <utility>

#include "discovery/device_table.h"
#include "interfaces/build_interface_table.h"
#include "interfaces/interface_line.h"
#include "log/append_log.h"
#include "net/socket.h"
#include "texts/dialog_texts.h"
#include "texts/search_texts.h"
#include "texts/upload_texts.h"
#include "ui/box_text.h"

namespace tavro::ui {
namespace {

constexpr char kLogPaneFirstLine[] =
    "この表示欄は現状デバッグのために出してるけど、リリース時にはなくす\r\n";
constexpr char kSelectDeviceMessage[] = "デバイスを選択してください";
constexpr char kConfirmSuffix[] = " を書き込みます。";
constexpr char kFirmwareFilter[] = "Firmware file (*.bin)|*.bin|all files(*.*)|*.*||";

}  // namespace

// The log pane and the progress bar as an upload sees them. From the worker, every call
// reaches the controls on the UI thread and returns once it has been carried out there.
class WriterDialog::LogPane final : public upload::UploadSink {
public:
    LogPane(DialogControls& controls, std::string& text) : controls_(controls), text_(text) {}

    void AppendText(std::string_view text) override {
        const std::string piece(text);
        controls_.RunOnUiThread([&] {
            text_ += piece;
            controls_.AppendToLog(piece);
        });
    }
    void SetProgress(int percent) override {
        controls_.RunOnUiThread([&] { controls_.SetProgressPosition(percent); });
    }
    void ShowError(std::string_view text) override { controls_.ShowErrorBox(std::string(text)); }

private:
    DialogControls& controls_;
    std::string& text_;  // the dialog's copy of the pane's text, for saving it
};

WriterDialog::WriterDialog(DialogControls& controls, WriterServices services)
    : m_controls(controls),
      m_services(std::move(services)),
      m_versionText(VersionText(m_services.version)),
      m_password(m_services.password),
      m_logPane(std::make_unique<LogPane>(controls, m_logText)) {}

WriterDialog::~WriterDialog() = default;

bool WriterDialog::OnInitDialog() {
    m_controls.SetDialogIcon();
    m_controls.SetText(ControlId::version, m_versionText);
    m_uploadBusy.store(0, std::memory_order_release);
    m_controls.SetProgressRange(0, 100);
    m_controls.SetProgressPosition(0);

    const interfaces::InterfaceBuildResult built =
        interfaces::BuildInterfaceTable(m_services.readInterfaceFacts(), m_interfaceTable);
    if (!built.adapterListRead) {
        m_services.exitProcess(1, built.reason);
        return false;
    }
    if (m_interfaceTable.count == 0) {
        m_controls.ShowMessage(texts::NoInterfaceText(texts::Language::Japanese), {},
                               MessageButtons::ok);
        m_controls.EndDialog(-1);
        return false;
    }
    FillInterfaceList();

    EnableControls(true);
    EnableWrite(false);

    AppendLog(*m_logPane, "%s", kLogPaneFirstLine);
    m_controls.Show(ControlId::log, false);
    return true;
}

void WriterDialog::FillInterfaceList() {
    for (int i = 0; i < m_interfaceTable.count; ++i) {
        m_controls.AddLine(ControlId::interfaceList,
                           interfaces::InterfaceLine(m_interfaceTable.records[i]));
    }
    m_controls.SelectLine(ControlId::interfaceList, 0);
    m_selectedLocalAddress = m_interfaceTable.records[0].address;
}

void WriterDialog::OnInterfaceSelectionChange() {
    const int line = m_controls.SelectedLine(ControlId::interfaceList);
    if (line < 0 || line >= m_interfaceTable.count) return;
    m_selectedLocalAddress = m_interfaceTable.records[line].address;
}

void WriterDialog::EnableControls(bool enable) {
    for (ControlId id : {ControlId::interfaceList, ControlId::search, ControlId::deviceList}) {
        m_controls.Enable(id, enable);
    }
    EnableWrite(enable);
    m_controls.SetProgressPosition(0);
    m_controls.Show(ControlId::progress, !enable);
    m_controls.Show(ControlId::version, enable);
}

// The search runs on a worker, so the window keeps painting and answering the window system.
// Meanwhile no control takes input and the dialog cannot be closed.
void WriterDialog::OnSearch() {
    if (m_searchBusy) return;
    m_controls.ClearLines(ControlId::deviceList);
    // Without a chosen address there is nothing to search from: a failed search.
    if (!m_selectedLocalAddress) {
        ListFoundDevices(discovery::SearchOutcome(-1));
        return;
    }
    EnterSearchLayout(true);
    const net::Ipv4Address from = *m_selectedLocalAddress;
    // The worker alone writes the device table until it hands the outcome over; nothing on the
    // UI thread reads it meanwhile, as every control that could is disabled.
    const auto search = [this, from] {
        const discovery::SearchOutcome outcome = m_services.discoverDevices(m_deviceTable, from);
        m_controls.RunOnUiThread([this, &outcome] { FinishSearch(outcome); });
    };
    if (!m_services.startWorker(search)) {
        // No thread to spare: search on this one, as a frozen window is better than none.
        FinishSearch(m_services.discoverDevices(m_deviceTable, from));
    }
}

void WriterDialog::EnterSearchLayout(bool searching) {
    m_searchBusy = searching;
    for (ControlId id : {ControlId::interfaceList, ControlId::search, ControlId::deviceList}) {
        m_controls.Enable(id, !searching);
    }
    // Write comes back as it was: a search leaves it alone.
    m_controls.Enable(ControlId::write, !searching && m_writeEnabled);
    m_controls.SetWaitCursor(searching);
}

void WriterDialog::FinishSearch(const discovery::SearchOutcome& outcome) {
    EnterSearchLayout(false);
    ListFoundDevices(outcome);
}

void WriterDialog::ListFoundDevices(const discovery::SearchOutcome& outcome) {
    for (int row = 0; row < outcome.count && row < discovery::DeviceTable::kCapacity; ++row) {
        m_controls.AddLine(ControlId::deviceList, discovery::DeviceLine(m_deviceTable.rows[row]));
    }
    // Replies left out, or a search cut short, are worth a line even when nothing was listed.
    // The log pane's trace is English where it is not the device conversation's own notes.
    if (const std::string notice = texts::SearchNoticeText(outcome, texts::Language::English);
        !notice.empty()) {
        AppendLog(*m_logPane, "%s\r\n", notice.c_str());
    }
}

void WriterDialog::EnableWrite(bool enable) {
    m_writeEnabled = enable;
    m_controls.Enable(ControlId::write, enable);
}

void WriterDialog::OnDeviceSelectionChange() {
    EnableWrite(m_controls.SelectedLine(ControlId::deviceList) != -1);
}

void WriterDialog::RemoveDevice(int index) {
    if (index < 0 || index >= discovery::DeviceTable::kCapacity) return;
    m_controls.DeleteLine(ControlId::deviceList, index);
    discovery::RemoveDeviceRow(m_deviceTable, index);
    m_controls.SelectLine(ControlId::deviceList, -1);
}

void WriterDialog::OnWrite() {
    if (m_controls.SelectedLine(ControlId::deviceList) == -1) {
        m_controls.ShowMessage(kSelectDeviceMessage, {}, MessageButtons::ok);
        return;
    }
    // The pane keeps the whole trace of this run, so the trace of a failure is still there
    // when the user tries again and then asks for help.

    const std::optional<std::string> chosen = m_controls.AskOpenFile(
        {.defaultExtension = "bin", .filter = kFirmwareFilter, .fileMustExist = true});
    if (!chosen) return;
    m_firmwarePath = *chosen;

    if (m_controls.ShowMessage(m_firmwarePath + kConfirmSuffix, ConfirmationDetail(),
                               MessageButtons::okCancel) != MessageAnswer::ok) {
        return;
    }
    StartUpload();
}

// The device that is about to be overwritten and the size of what it gets.
std::string WriterDialog::ConfirmationDetail() {
    std::string detail;
    const int line = m_controls.SelectedLine(ControlId::deviceList);
    if (line >= 0 && line < discovery::DeviceTable::kCapacity) {
        detail = discovery::DeviceLine(m_deviceTable.rows[line]);
    }
    if (const std::optional<std::int64_t> size =
            m_services.fileSize ? m_services.fileSize(m_firmwarePath) : std::nullopt) {
        if (!detail.empty()) detail += "\n";
        detail += texts::FileSizeText(*size, texts::Language::Japanese);
    }
    return detail;
}

void WriterDialog::StartUpload() {
    EnableControls(false);
    m_outcomePending = true;
    m_uploadReport = upload::UploadReport{};
    m_uploadBusy.store(1, std::memory_order_release);
    m_controls.StartTimer(kOutcomeTimerId, kOutcomeTimerPeriodMs);
    if (!m_services.startWorker([this] { RunUploadOnWorker(); })) {
        // No worker means no upload: report it like any other internal failure.
        m_uploadReport.result = upload::kUploadInternalError;
        m_uploadBusy.store(0, std::memory_order_release);
    }
}

void WriterDialog::RunUploadOnWorker() {
    int line = -1;
    m_controls.RunOnUiThread([&] { line = m_controls.SelectedLine(ControlId::deviceList); });

    upload::UploadReport report;
    report.result = upload::kUploadInternalError;
    const auto started = std::chrono::steady_clock::now();
    if (line >= 0 && line < discovery::DeviceTable::kCapacity && m_selectedLocalAddress) {
        const upload::UploadRequest request{
            .deviceAddress = m_deviceTable.rows[line].sender.address,
            .localAddress = *m_selectedLocalAddress,
            .devicePort = upload::kDeviceUploadPort,
            .password = m_password,
            .firmwarePath = m_firmwarePath,
            .localPort = m_localPort,
            .sharedListener = nullptr,
            .image = std::nullopt,
        };
        report = m_services.runUpload(request, *m_logPane, {});
        report.device = request.deviceAddress;
    }
    m_uploadSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    // The report first, then the flag: the timer reads the report only after it saw the flag.
    m_uploadReport = report;
    m_uploadBusy.store(0, std::memory_order_release);
}

void WriterDialog::OnTimer(int /*id*/) {
    // A tick queued before the timer stopped finds no job left to report.
    if (!m_outcomePending || m_uploadBusy.load(std::memory_order_acquire) != 0) return;
    m_outcomePending = false;
    // Stopped before the message box, whose own message loop would deliver more ticks.
    m_controls.StopTimer(kOutcomeTimerId);
    ShowOutcome(m_uploadReport);
    EnableControls(true);
    EnableWrite(false);
}

void WriterDialog::ShowOutcome(const upload::UploadReport& report) {
    const bool written = report.result == upload::kUploadSucceeded;
    const std::string detail = written
                                   ? texts::WrittenText(report.device.ToString(), report.bytesTotal,
                                                        m_uploadSeconds, texts::Language::Japanese)
                                   : texts::CauseText(report, texts::Language::Japanese, BoxText,
                                                      texts::PortSetting::dialogMenu);
    m_controls.ShowMessage(texts::OutcomeText(report.result, texts::Language::Japanese), detail,
                           MessageButtons::ok);
    if (written) RemoveDevice(m_controls.SelectedLine(ControlId::deviceList));
}

bool WriterDialog::CanClose() const { return !uploadBusy() && !m_searchBusy; }

}  // namespace tavro::ui
