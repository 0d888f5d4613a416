#pragma once

#include <QDialog>
#include <map>
#include <memory>
#include <string>

#include "ui/dialog_controls.h"
#include "ui/qt/dialog_prompts.h"
#include "ui/qt/dialog_units.h"

class QComboBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;

namespace tavro::ui {

// The main dialog's window, built from the template IDD_WRITER_DIALOG. It carries out
// what WriterDialog asks through DialogControls and reports the user's actions and the timer
// ticks through DialogEvents. Showing it (exec or show) first runs OnInitDialog; when that
// ends the dialog, the window is never shown and exec returns the end result.
class WriterWindow final : public QDialog, public DialogControls {
    Q_OBJECT

public:
    // prompts answers the message boxes and the file dialog; null means the real Qt dialogs.
    // It must outlive the window.
    explicit WriterWindow(DialogPrompts* prompts = nullptr);
    ~WriterWindow() override;

    // The behaviour that hears of events; set before the window is shown.
    void SetEvents(DialogEvents& events);

    // The control with this id, as a widget.
    QWidget* Control(ControlId id) const;
    // The log pane's text exactly as appended, CR LF included.
    const std::string& LogText() const { return m_logText; }
    DialogBaseUnits BaseUnits() const { return m_baseUnits; }

    // DialogControls
    void SetDialogIcon() override;
    void Enable(ControlId id, bool enable) override;
    void Show(ControlId id, bool show) override;
    void SetText(ControlId id, const std::string& text) override;
    void AddLine(ControlId id, const std::string& line) override;
    void DeleteLine(ControlId id, int index) override;
    void ClearLines(ControlId id) override;
    int SelectedLine(ControlId id) override;
    void SelectLine(ControlId id, int index) override;
    void SetProgressRange(int low, int high) override;
    void SetProgressPosition(int position) override;
    void AppendToLog(const std::string& text) override;
    MessageAnswer ShowMessage(const std::string& text, const std::string& detail,
                              MessageButtons buttons) override;
    void ShowErrorBox(const std::string& text) override;
    std::optional<std::string> AskOpenFile(const FileOpenRequest& request) override;
    std::optional<std::string> AskSaveFile(const FileSaveRequest& request) override;
    std::optional<std::string> AskText(const TextPrompt& prompt) override;
    void StartTimer(int id, int periodMs) override;
    void StopTimer(int id) override;
    void RunOnUiThread(const std::function<void()>& call) override;
    void SetWaitCursor(bool on) override;
    void EndDialog(int result) override;

    // QDialog: every way of ending (Enter, Escape, the close box) passes through done(), which
    // refuses while the behaviour says the dialog cannot close.
    int exec() override;
    void done(int result) override;
    void setVisible(bool visible) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    // The dialog's menu: a right click on the background, the Menu key, Shift+F10.
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    class ProgrammaticChange;

    void BuildFromTemplate();
    QWidget* CreateControl(const TemplateControl& control);
    bool RunInitDialog();
    bool MayClose() const;
    void ConnectEvents();
    void NameForAccessibility();
    void ShowMenu(const QPoint& where);

    DialogPrompts* m_prompts;
    std::unique_ptr<DialogPrompts> m_ownPrompts;
    DialogEvents* m_events = nullptr;
    DialogBaseUnits m_baseUnits;
    std::map<ControlId, QWidget*> m_controls;
    QLabel* m_interfaceLabel = nullptr;
    QComboBox* m_interfaceList = nullptr;
    QPushButton* m_search = nullptr;
    QListWidget* m_deviceList = nullptr;
    QPlainTextEdit* m_log = nullptr;
    QPushButton* m_write = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_version = nullptr;
    std::string m_logText;
    std::map<int, QTimer*> m_timers;
    int m_programmaticChanges = 0;
    bool m_waitCursor = false;
    bool m_initialised = false;
    bool m_initialising = false;
    bool m_endedDuringInit = false;
    int m_endResult = 0;
};

}  // namespace tavro::ui
