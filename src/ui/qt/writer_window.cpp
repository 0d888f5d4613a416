#include "ui/qt/writer_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QThread>
#include <QTimer>
#include <algorithm>

#include "ui/accessible_names.h"
#include "ui/dialog_template.h"
#include "ui/qt/dialog_font.h"
#include "ui/qt/file_filter.h"
#include "ui/qt/log_display.h"
#include "ui/qt/writer_icon.h"

namespace tavro::ui {

// While WriterDialog changes a list itself, the list's change signals are not user actions
// and must not reach the selection handlers.
class WriterWindow::ProgrammaticChange {
public:
    explicit ProgrammaticChange(WriterWindow& window) : m_window(window) {
        ++m_window.m_programmaticChanges;
    }
    ~ProgrammaticChange() { --m_window.m_programmaticChanges; }
    ProgrammaticChange(const ProgrammaticChange&) = delete;
    ProgrammaticChange& operator=(const ProgrammaticChange&) = delete;

private:
    WriterWindow& m_window;
};

namespace {

QString FromUtf8(const std::string& text) { return QString::fromStdString(text); }

int ComboDropDownLines(const QComboBox& combo, int dropDownHeight) {
    const int lineHeight = std::max(1, combo.fontMetrics().height());
    return std::max(1, (dropDownHeight - combo.sizeHint().height()) / lineHeight);
}

}  // namespace

WriterWindow::WriterWindow(DialogPrompts* prompts) : QDialog(nullptr), m_prompts(prompts) {
    if (m_prompts == nullptr) {
        m_ownPrompts = std::make_unique<QtDialogPrompts>();
        m_prompts = m_ownPrompts.get();
    }
    // A caption with a close box, no minimise or maximise, a fixed size, and a task-bar
    // entry of its own (a top-level window, not a transient dialog).
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    BuildFromTemplate();
    NameForAccessibility();
    ConnectEvents();
}

// A screen reader names each control: the lists and the bar have no label of their own.
void WriterWindow::NameForAccessibility() {
    for (const auto& [id, widget] : m_controls) {
        if (const std::optional<const char*> name = AccessibleName(id)) {
            widget->setAccessibleName(QString::fromUtf8(*name));
        }
    }
}

WriterWindow::~WriterWindow() {
    if (m_waitCursor) QApplication::restoreOverrideCursor();
}

void WriterWindow::SetEvents(DialogEvents& events) { m_events = &events; }

void WriterWindow::BuildFromTemplate() {
    const DialogTemplate& dialog = WriterDialogTemplate();
    setWindowTitle(QString::fromUtf8(dialog.caption));
    setFont(DialogFont(dialog.fontFamily, dialog.fontPointSize));
    m_baseUnits = BaseUnitsOf(font());
    setFixedSize(MapDialogX(dialog.width, m_baseUnits), MapDialogY(dialog.height, m_baseUnits));

    // Created in tab order, so the focus chain follows the template.
    for (const TemplateControl& control : dialog.controls) {
        QWidget* widget = CreateControl(control);
        widget->setObjectName(QString::fromUtf8(control.objectName));
        if (control.id) {
            widget->setProperty("controlId", static_cast<int>(*control.id));
            m_controls[*control.id] = widget;
        }
    }
    m_interfaceLabel->setBuddy(m_interfaceList);
    setTabOrder(m_interfaceList, m_search);
    setTabOrder(m_search, m_deviceList);
    setTabOrder(m_deviceList, m_log);
    setTabOrder(m_log, m_write);
}

QWidget* WriterWindow::CreateControl(const TemplateControl& control) {
    const QRect rect = MapDialogRect(control.rect, m_baseUnits);
    const QString text = QString::fromUtf8(control.text);
    switch (control.kind) {
        case ControlKind::label: {
            auto* label = new QLabel(text, this);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            label->setGeometry(rect);
            if (control.id == ControlId::version) {
                m_version = label;
            } else {
                m_interfaceLabel = label;
            }
            return label;
        }
        case ControlKind::dropDownList: {
            m_interfaceList = new QComboBox(this);
            m_interfaceList->setEditable(false);
            // The template's height is that of the open list; the closed box keeps its own.
            m_interfaceList->setGeometry(rect.x(), rect.y(), rect.width(),
                                         m_interfaceList->sizeHint().height());
            m_interfaceList->setMaxVisibleItems(
                ComboDropDownLines(*m_interfaceList, rect.height()));
            return m_interfaceList;
        }
        case ControlKind::etchedLine: {
            auto* line = new QFrame(this);
            line->setFrameShape(QFrame::HLine);
            line->setFrameShadow(QFrame::Sunken);
            // An etched line is two pixels, whatever height its rectangle has.
            line->setGeometry(rect.x(), rect.y(), rect.width(), 2);
            return line;
        }
        case ControlKind::pushButton: {
            auto* button = new QPushButton(text, this);
            // Enter clicks the button that has the focus and ends the dialog elsewhere
            // (keyPressEvent); no button stands in as the dialog's default.
            button->setAutoDefault(false);
            button->setGeometry(rect);
            (control.id == ControlId::search ? m_search : m_write) = button;
            return button;
        }
        case ControlKind::listBox: {
            m_deviceList = new QListWidget(this);
            m_deviceList->setSelectionMode(QAbstractItemView::SingleSelection);
            m_deviceList->setSortingEnabled(false);
            m_deviceList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            m_deviceList->setGeometry(rect);
            return m_deviceList;
        }
        case ControlKind::logEdit: {
            m_log = new QPlainTextEdit(this);
            m_log->setReadOnly(true);
            m_log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            m_log->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            m_log->setLineWrapMode(QPlainTextEdit::WidgetWidth);
            m_log->setGeometry(rect);
            return m_log;
        }
        case ControlKind::progressBar: {
            m_progress = new QProgressBar(this);
            m_progress->setTextVisible(false);
            m_progress->setGeometry(rect);
            return m_progress;
        }
    }
    return nullptr;
}

void WriterWindow::ConnectEvents() {
    connect(m_search, &QPushButton::clicked, this, [this] {
        if (m_events) m_events->OnSearch();
    });
    connect(m_write, &QPushButton::clicked, this, [this] {
        if (m_events) m_events->OnWrite();
    });
    connect(m_interfaceList, &QComboBox::currentIndexChanged, this, [this] {
        if (m_events && m_programmaticChanges == 0) m_events->OnInterfaceSelectionChange();
    });
    connect(m_deviceList, &QListWidget::itemSelectionChanged, this, [this] {
        if (m_events && m_programmaticChanges == 0) m_events->OnDeviceSelectionChange();
    });
}

QWidget* WriterWindow::Control(ControlId id) const {
    const auto found = m_controls.find(id);
    return found == m_controls.end() ? nullptr : found->second;
}

void WriterWindow::SetDialogIcon() { setWindowIcon(WriterIcon()); }

void WriterWindow::Enable(ControlId id, bool enable) {
    if (QWidget* widget = Control(id)) widget->setEnabled(enable);
}

void WriterWindow::Show(ControlId id, bool show) {
    if (QWidget* widget = Control(id)) widget->setVisible(show);
}

void WriterWindow::SetText(ControlId id, const std::string& text) {
    QWidget* widget = Control(id);
    if (widget == m_log) {
        m_logText = text;
        m_log->setPlainText(LogDisplayText(text, false));
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(FromUtf8(text));
    } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
        button->setText(FromUtf8(text));
    }
}

void WriterWindow::AddLine(ControlId id, const std::string& line) {
    ProgrammaticChange change(*this);
    if (id == ControlId::interfaceList) {
        // Adding a line selects nothing, also when it is the first one.
        const int selected = m_interfaceList->currentIndex();
        m_interfaceList->addItem(FromUtf8(line));
        m_interfaceList->setCurrentIndex(selected);
    } else if (id == ControlId::deviceList) {
        m_deviceList->addItem(FromUtf8(line));
    }
}

void WriterWindow::DeleteLine(ControlId id, int index) {
    ProgrammaticChange change(*this);
    if (id == ControlId::interfaceList) {
        if (index < 0 || index >= m_interfaceList->count()) return;
        const bool wasSelected = m_interfaceList->currentIndex() == index;
        m_interfaceList->removeItem(index);
        if (wasSelected) m_interfaceList->setCurrentIndex(-1);
    } else if (id == ControlId::deviceList) {
        if (index < 0 || index >= m_deviceList->count()) return;
        const bool wasSelected = SelectedLine(id) == index;
        delete m_deviceList->takeItem(index);
        // The selection does not move on to a neighbour of the deleted line.
        if (wasSelected) m_deviceList->selectionModel()->clear();
    }
}

void WriterWindow::ClearLines(ControlId id) {
    ProgrammaticChange change(*this);
    if (id == ControlId::interfaceList) {
        m_interfaceList->clear();
    } else if (id == ControlId::deviceList) {
        m_deviceList->clear();
    }
}

int WriterWindow::SelectedLine(ControlId id) {
    if (id == ControlId::interfaceList) return m_interfaceList->currentIndex();
    if (id == ControlId::deviceList) {
        const QModelIndexList selected = m_deviceList->selectionModel()->selectedIndexes();
        return selected.isEmpty() ? -1 : selected.first().row();
    }
    return -1;
}

void WriterWindow::SelectLine(ControlId id, int index) {
    ProgrammaticChange change(*this);
    if (id == ControlId::interfaceList) {
        const bool valid = index >= 0 && index < m_interfaceList->count();
        m_interfaceList->setCurrentIndex(valid ? index : -1);
    } else if (id == ControlId::deviceList) {
        if (index < 0 || index >= m_deviceList->count()) {
            m_deviceList->selectionModel()->clear();
            return;
        }
        m_deviceList->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
        m_deviceList->scrollToItem(m_deviceList->item(index));
    }
}

void WriterWindow::SetProgressRange(int low, int high) { m_progress->setRange(low, high); }

void WriterWindow::SetProgressPosition(int position) { m_progress->setValue(position); }

void WriterWindow::AppendToLog(const std::string& text) {
    const bool previousEndedWithCr = !m_logText.empty() && m_logText.back() == '\r';
    m_logText += text;
    m_log->moveCursor(QTextCursor::End);
    m_log->ensureCursorVisible();
    m_log->insertPlainText(LogDisplayText(text, previousEndedWithCr));
    m_log->ensureCursorVisible();
}

MessageAnswer WriterWindow::ShowMessage(const std::string& text, const std::string& detail,
                                        MessageButtons buttons) {
    return m_prompts->Message(this, QCoreApplication::applicationName(), FromUtf8(text),
                              FromUtf8(detail), buttons);
}

void WriterWindow::ShowErrorBox(const std::string& text) {
    const auto show = [this, &text] {
        m_prompts->Message(nullptr, QStringLiteral("Error"), FromUtf8(text), {},
                           MessageButtons::ok);
    };
    QCoreApplication* application = QCoreApplication::instance();
    if (QThread::currentThread() == application->thread()) {
        show();
    } else {
        QMetaObject::invokeMethod(application, show, Qt::BlockingQueuedConnection);
    }
}

std::optional<std::string> WriterWindow::AskOpenFile(const FileOpenRequest& request) {
    const std::optional<QString> chosen = m_prompts->OpenFile(this, ToOpenFileSettings(request));
    if (!chosen || chosen->isEmpty()) return std::nullopt;
    // The path goes to the file system as the bytes it knows the file by.
    return QFile::encodeName(QFileInfo(*chosen).absoluteFilePath()).toStdString();
}

std::optional<std::string> WriterWindow::AskSaveFile(const FileSaveRequest& request) {
    const std::optional<QString> chosen =
        m_prompts->SaveFile(this, {.nameFilters = QtNameFilters(request.filter),
                                   .defaultSuffix = FromUtf8(request.defaultExtension),
                                   .suggestedName = FromUtf8(request.suggestedName)});
    if (!chosen || chosen->isEmpty()) return std::nullopt;
    return QFile::encodeName(QFileInfo(*chosen).absoluteFilePath()).toStdString();
}

std::optional<std::string> WriterWindow::AskText(const TextPrompt& prompt) {
    const std::optional<QString> given = m_prompts->Text(this, prompt);
    if (!given) return std::nullopt;
    return given->toStdString();
}

void WriterWindow::contextMenuEvent(QContextMenuEvent* event) { ShowMenu(event->globalPos()); }

void WriterWindow::ShowMenu(const QPoint& where) {
    if (m_events == nullptr) return;
    const MenuState state = m_events->CurrentMenuState();
    QMenu menu(this);
    for (const MenuEntry& entry : DialogMenuEntries()) {
        QAction* action = menu.addAction(QString::fromUtf8(entry.text));
        action->setEnabled(state.enabled);
        if (entry.item == MenuItem::showLog) {
            action->setCheckable(true);
            action->setChecked(state.logShown);
        }
        connect(action, &QAction::triggered, this, [this, item = entry.item] {
            if (m_events) m_events->OnMenu(item);
        });
    }
    menu.exec(where);
}

void WriterWindow::StartTimer(int id, int periodMs) {
    QTimer*& timer = m_timers[id];
    if (timer == nullptr) {
        timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [this, id] {
            if (m_events) m_events->OnTimer(id);
        });
    }
    // Starting a running timer again sets its new period, as for a timer set twice.
    timer->start(periodMs);
}

void WriterWindow::StopTimer(int id) {
    const auto found = m_timers.find(id);
    if (found == m_timers.end()) return;
    found->second->stop();
    // The timer may be the one whose tick is being handled right now.
    found->second->deleteLater();
    m_timers.erase(found);
}

void WriterWindow::RunOnUiThread(const std::function<void()>& call) {
    if (QThread::currentThread() == thread()) {
        call();
        return;
    }
    QMetaObject::invokeMethod(
        this, [&call] { call(); }, Qt::BlockingQueuedConnection);
}

void WriterWindow::SetWaitCursor(bool on) {
    if (on == m_waitCursor) return;
    m_waitCursor = on;
    if (on) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void WriterWindow::EndDialog(int result) {
    if (m_initialising) {
        // Ending from OnInitDialog: the window is not shown at all.
        m_endedDuringInit = true;
        m_endResult = result;
        return;
    }
    QDialog::done(result);
}

bool WriterWindow::RunInitDialog() {
    m_initialised = true;
    m_initialising = true;
    if (m_events) m_events->OnInitDialog();
    m_initialising = false;
    if (m_endedDuringInit) {
        QDialog::done(m_endResult);
        return false;
    }
    return true;
}

int WriterWindow::exec() {
    if (!m_initialised && !RunInitDialog()) return m_endResult;
    return QDialog::exec();
}

void WriterWindow::setVisible(bool visible) {
    if (visible && !m_initialised && !RunInitDialog()) return;
    QDialog::setVisible(visible);
}

bool WriterWindow::MayClose() const { return m_events == nullptr || m_events->CanClose(); }

void WriterWindow::done(int result) {
    if (!MayClose()) {
        QApplication::beep();
        return;
    }
    QDialog::done(result);
}

void WriterWindow::closeEvent(QCloseEvent* event) {
    if (!MayClose()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void WriterWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        const QWidget* focus = focusWidget() != nullptr ? focusWidget() : this;
        ShowMenu(focus->mapToGlobal(focus->rect().center()));
        return;
    }
    const bool plain = event->modifiers() == Qt::NoModifier ||
                       (event->modifiers() == Qt::KeypadModifier && event->key() == Qt::Key_Enter);
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        auto* button = qobject_cast<QPushButton*>(focusWidget());
        if (button != nullptr && button->isEnabled()) {
            button->click();
        } else {
            accept();
        }
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace tavro::ui
