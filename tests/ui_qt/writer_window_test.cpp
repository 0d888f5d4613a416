// The Qt window against a recording stand-in for the dialog's behaviour.
#include "ui/qt/writer_window.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QComboBox>
#include <QDir>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <thread>

#include "qt_test_support.h"
#include "ui/dialog_template.h"

namespace tavro::ui::test {
namespace {

using namespace std::chrono_literals;

class RecordingEvents final : public DialogEvents {
public:
    bool OnInitDialog() override {
        ++inits;
        if (onInit) onInit();
        return true;
    }
    void OnWrite() override { ++writes; }
    void OnSearch() override { ++searches; }
    void OnInterfaceSelectionChange() override { ++interfaceChanges; }
    void OnDeviceSelectionChange() override { ++deviceChanges; }
    void OnTimer(int id) override {
        ticks.push_back(id);
        if (onTimer) onTimer(id);
    }
    bool CanClose() const override { return canClose; }
    MenuState CurrentMenuState() const override { return menuState; }
    void OnMenu(MenuItem item) override { chosenItems.push_back(item); }

    MenuState menuState;
    std::vector<MenuItem> chosenItems;

    std::function<void()> onInit;
    std::function<void(int)> onTimer;
    int inits = 0;
    int writes = 0;
    int searches = 0;
    int interfaceChanges = 0;
    int deviceChanges = 0;
    std::vector<int> ticks;
    bool canClose = true;
};

class WriterWindowTest : public ::testing::Test {
protected:
    WriterWindowTest() : application(QtTestApplication()), window(&prompts) {
        window.SetEvents(events);
    }

    template <typename Widget>
    Widget* ControlAs(ControlId id) {
        return qobject_cast<Widget*>(window.Control(id));
    }
    QComboBox* InterfaceList() { return ControlAs<QComboBox>(ControlId::interfaceList); }
    QListWidget* DeviceList() { return ControlAs<QListWidget>(ControlId::deviceList); }
    QPlainTextEdit* Log() { return ControlAs<QPlainTextEdit>(ControlId::log); }

    void ShowAndActivate() {
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        ASSERT_TRUE(ProcessEventsUntil([this] { return window.isActiveWindow(); }, 3s));
    }

    QApplication& application;
    FakePrompts prompts;
    RecordingEvents events;
    WriterWindow window;
};

TEST_F(WriterWindowTest, ControlsCarryTheirIdsNamesTextsAndStyles) {
    EXPECT_EQ(window.windowTitle(), QString::fromUtf8("無線TAVRO ファームウェアアップデータ"));

    const std::pair<ControlId, const char*> named[] = {
        {ControlId::log, "IDC_LOG"},
        {ControlId::write, "IDC_WRITE"},
        {ControlId::deviceList, "IDC_DEVICE_LIST"},
        {ControlId::search, "IDC_SEARCH"},
        {ControlId::progress, "IDC_PROGRESS"},
        {ControlId::version, "IDC_VERSION"},
        {ControlId::interfaceList, "IDC_INTERFACE"},
    };
    for (const auto& [id, name] : named) {
        QWidget* found = window.findChild<QWidget*>(QString::fromLatin1(name));
        ASSERT_NE(found, nullptr) << name;
        EXPECT_EQ(found, window.Control(id)) << name;
        EXPECT_EQ(found->property("controlId").toInt(), static_cast<int>(id)) << name;
    }

    auto* label = window.findChild<QLabel*>(QStringLiteral("interfaceLabel"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), QString::fromUtf8("ネットワークデバイス選択(&N)"));
    EXPECT_EQ(label->buddy(), InterfaceList());
    EXPECT_EQ(ControlAs<QPushButton>(ControlId::search)->text(), QString::fromUtf8("検索(&S)"));
    EXPECT_EQ(ControlAs<QPushButton>(ControlId::write)->text(), QString::fromUtf8("書き込み(&W)"));
    EXPECT_EQ(ControlAs<QLabel>(ControlId::version)->text(), QStringLiteral("Static"));

    EXPECT_FALSE(InterfaceList()->isEditable());
    EXPECT_EQ(DeviceList()->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_FALSE(DeviceList()->isSortingEnabled());
    EXPECT_TRUE(Log()->isReadOnly());
    EXPECT_FALSE(ControlAs<QProgressBar>(ControlId::progress)->isTextVisible());
    auto* line = window.findChild<QFrame*>(QStringLiteral("separatorLine"));
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->frameShape(), QFrame::HLine);
    EXPECT_EQ(line->frameShadow(), QFrame::Sunken);
}

TEST_F(WriterWindowTest, ControlsWithoutALabelHaveAnAccessibleNameAndTheBarItsValue) {
    for (ControlId id :
         {ControlId::interfaceList, ControlId::deviceList, ControlId::progress, ControlId::log}) {
        QAccessibleInterface* accessible =
            QAccessible::queryAccessibleInterface(window.Control(id));
        ASSERT_NE(accessible, nullptr);
        EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty()) << static_cast<int>(id);
    }
    window.SetProgressRange(0, 100);
    window.SetProgressPosition(40);
    QAccessibleInterface* bar =
        QAccessible::queryAccessibleInterface(window.Control(ControlId::progress));
    ASSERT_NE(bar->valueInterface(), nullptr);
    EXPECT_EQ(bar->valueInterface()->currentValue().toInt(), 40);
}

TEST_F(WriterWindowTest, TabOrderFollowsTheTemplate) {
    const std::vector<QWidget*> stops = {
        window.Control(ControlId::interfaceList), window.Control(ControlId::search),
        window.Control(ControlId::deviceList), window.Control(ControlId::log),
        window.Control(ControlId::write)};
    std::vector<QWidget*> order;
    QWidget* widget = stops.front();
    do {
        if (std::find(stops.begin(), stops.end(), widget) != stops.end()) order.push_back(widget);
        widget = widget->nextInFocusChain();
    } while (widget != stops.front() && order.size() < 10);
    EXPECT_EQ(order, stops);
}

TEST_F(WriterWindowTest, DialogFontIsTheTemplatesOrItsJapaneseStandIn) {
    const QFontInfo used(window.font());
    EXPECT_EQ(used.pointSize(), 9);
    if (!QFontDatabase::hasFamily(QString::fromUtf8("ＭＳ Ｐゴシック")) &&
        !QFontDatabase::hasFamily(QStringLiteral("MS PGothic")) &&
        QFontDatabase::hasFamily(QStringLiteral("IPAPGothic"))) {
        EXPECT_EQ(used.family(), QStringLiteral("IPAPGothic"));
    }
}

TEST_F(WriterWindowTest, GeometryFollowsTheTemplateInDialogUnits) {
    const DialogBaseUnits base = window.BaseUnits();
    ASSERT_GT(base.x, 0);
    ASSERT_GT(base.y, 0);
    EXPECT_EQ(window.size(), QSize(MapDialogX(279, base), MapDialogY(240, base)));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());

    for (const TemplateControl& control : WriterDialogTemplate().controls) {
        if (!control.id || control.id == ControlId::interfaceList) continue;
        EXPECT_EQ(window.Control(*control.id)->geometry(), MapDialogRect(control.rect, base))
            << control.objectName;
    }

    // The combo box's template height is its drop-down; closed it keeps its natural height.
    const QRect combo = window.Control(ControlId::interfaceList)->geometry();
    const QRect comboTemplate = MapDialogRect({5, 20, 270, 330}, base);
    EXPECT_EQ(combo.topLeft(), comboTemplate.topLeft());
    EXPECT_EQ(combo.width(), comboTemplate.width());
    EXPECT_EQ(combo.height(), InterfaceList()->sizeHint().height());

    const QRect list = window.Control(ControlId::deviceList)->geometry();
    const QRect write = window.Control(ControlId::write)->geometry();
    const QRect log = window.Control(ControlId::log)->geometry();
    EXPECT_GT(write.left(), list.right());
    EXPECT_GT(write.top(), log.bottom());
    const QRect progress = window.Control(ControlId::progress)->geometry();
    const QRect version = window.Control(ControlId::version)->geometry();
    EXPECT_EQ(progress.topLeft(), version.topLeft());
    EXPECT_EQ(progress.width(), version.width());
    EXPECT_GE(window.height(), progress.bottom());
}

TEST(DialogUnitsTest, EdgesAreConvertedOneByOneAndRounded) {
    const DialogBaseUnits base{6, 12};
    // x: 5*6/4 = 7.5 -> 8, right edge 275*6/4 = 412.5 -> 413; y: 10*12/8 = 15, 18*12/8 = 27.
    EXPECT_EQ(MapDialogRect({5, 10, 270, 8}, base), QRect(8, 15, 405, 12));
    // Neighbours that touch in dialog units touch in pixels.
    const QRect left = MapDialogRect({5, 75, 165, 135}, base);
    const QRect right = MapDialogRect({170, 75, 105, 85}, base);
    EXPECT_EQ(left.right() + 1, right.left());
}

TEST_F(WriterWindowTest, ShowingRunsOnInitDialogFirstAndOnlyOnce) {
    bool visibleDuringInit = true;
    events.onInit = [&] { visibleDuringInit = window.isVisible(); };
    bool visibleInLoop = false;
    QTimer::singleShot(0, &window, [&] {
        visibleInLoop = window.isVisible();
        window.EndDialog(5);
    });
    EXPECT_EQ(window.exec(), 5);
    EXPECT_EQ(events.inits, 1);
    EXPECT_FALSE(visibleDuringInit);
    EXPECT_TRUE(visibleInLoop);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(WriterWindowTest, EndingFromOnInitDialogNeverShowsTheWindow) {
    int shows = 0;
    struct ShowCounter : QObject {
        int& count;
        explicit ShowCounter(int& c) : count(c) {}
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Show) ++count;
            return false;
        }
    } counter(shows);
    window.installEventFilter(&counter);
    events.onInit = [&] { window.EndDialog(-1); };
    int finishedWith = 0;
    QObject::connect(&window, &QDialog::finished, [&](int result) { finishedWith = result; });

    EXPECT_EQ(window.exec(), -1);
    EXPECT_EQ(shows, 0);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(finishedWith, -1);
}

TEST_F(WriterWindowTest, ShowAfterEndingFromOnInitDialogStaysHidden) {
    events.onInit = [&] { window.EndDialog(-1); };
    window.show();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), -1);
}

TEST_F(WriterWindowTest, ClosingIsRefusedWhileTheBehaviourSaysNo) {
    ShowAndActivate();
    events.canClose = false;

    EXPECT_FALSE(window.close());
    window.reject();
    window.accept();
    QTest::keyClick(&window, Qt::Key_Escape);
    DeviceList()->setFocus();
    QTest::keyClick(DeviceList(), Qt::Key_Return);
    ProcessEventsFor(50ms);
    EXPECT_TRUE(window.isVisible());

    events.canClose = true;
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Rejected);
}

TEST_F(WriterWindowTest, TheCloseBoxEndsAnIdleDialog) {
    ShowAndActivate();
    EXPECT_TRUE(window.close());
    EXPECT_FALSE(window.isVisible());
}

TEST_F(WriterWindowTest, EnterClicksAFocusedButtonAndEndsTheDialogElsewhere) {
    ShowAndActivate();
    window.Control(ControlId::search)->setFocus();
    QTest::keyClick(window.Control(ControlId::search), Qt::Key_Return);
    EXPECT_EQ(events.searches, 1);
    EXPECT_TRUE(window.isVisible());

    DeviceList()->setFocus();
    QTest::keyClick(DeviceList(), Qt::Key_Return);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Accepted);
}

TEST_F(WriterWindowTest, MnemonicsFocusTheInterfaceListAndClickSearch) {
    ShowAndActivate();
    DeviceList()->setFocus();
    QTest::keyClick(&window, Qt::Key_N, Qt::AltModifier);
    EXPECT_TRUE(InterfaceList()->hasFocus());
    QTest::keyClick(&window, Qt::Key_S, Qt::AltModifier);
    // A mnemonic clicks its button the way a short press does, a moment later.
    EXPECT_TRUE(ProcessEventsUntil([&] { return events.searches == 1; }, 3s));
}

TEST_F(WriterWindowTest, ButtonsReportClicksOnlyWhenEnabled) {
    ShowAndActivate();
    QTest::mouseClick(window.Control(ControlId::search), Qt::LeftButton);
    QTest::mouseClick(window.Control(ControlId::write), Qt::LeftButton);
    window.Enable(ControlId::write, false);
    QTest::mouseClick(window.Control(ControlId::write), Qt::LeftButton);
    EXPECT_EQ(events.searches, 1);
    EXPECT_EQ(events.writes, 1);
}

TEST_F(WriterWindowTest, OnlyTheUsersSelectionChangesReachTheHandlers) {
    ShowAndActivate();
    for (const char* line : {"198.18.0.1 (veth0)", "198.18.0.2 (veth0)"}) {
        window.AddLine(ControlId::interfaceList, line);
    }
    EXPECT_EQ(window.SelectedLine(ControlId::interfaceList), -1);  // adding selects nothing
    window.SelectLine(ControlId::interfaceList, 0);
    EXPECT_EQ(events.interfaceChanges, 0);
    InterfaceList()->setFocus();
    QTest::keyClick(InterfaceList(), Qt::Key_Down);
    EXPECT_EQ(events.interfaceChanges, 1);
    EXPECT_EQ(window.SelectedLine(ControlId::interfaceList), 1);

    for (const char* line : {"one", "two", "three"}) window.AddLine(ControlId::deviceList, line);
    window.SelectLine(ControlId::deviceList, 1);
    window.DeleteLine(ControlId::deviceList, 0);
    window.ClearLines(ControlId::deviceList);
    EXPECT_EQ(events.deviceChanges, 0);

    for (const char* line : {"one", "two", "three"}) window.AddLine(ControlId::deviceList, line);
    QListWidget* list = DeviceList();
    const QPoint third = list->visualItemRect(list->item(2)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, third);
    EXPECT_EQ(events.deviceChanges, 1);
    EXPECT_EQ(window.SelectedLine(ControlId::deviceList), 2);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, third);
    EXPECT_EQ(events.deviceChanges, 2);
    EXPECT_EQ(window.SelectedLine(ControlId::deviceList), -1);
}

TEST_F(WriterWindowTest, DeviceListLinesMoveUpAndTheSelectionNeverJumps) {
    for (const char* line : {"a", "b", "c", "d"}) window.AddLine(ControlId::deviceList, line);
    window.SelectLine(ControlId::deviceList, 2);
    window.DeleteLine(ControlId::deviceList, 0);  // a line above the selected one
    EXPECT_EQ(window.SelectedLine(ControlId::deviceList), 1);
    EXPECT_EQ(DeviceList()->item(1)->text(), QStringLiteral("c"));

    window.DeleteLine(ControlId::deviceList, 1);  // the selected line itself
    EXPECT_EQ(window.SelectedLine(ControlId::deviceList), -1);
    ASSERT_EQ(DeviceList()->count(), 2);
    EXPECT_EQ(DeviceList()->item(0)->text(), QStringLiteral("b"));
    EXPECT_EQ(DeviceList()->item(1)->text(), QStringLiteral("d"));
    EXPECT_TRUE(DeviceList()->selectedItems().isEmpty());

    window.SelectLine(ControlId::deviceList, 1);
    window.SelectLine(ControlId::deviceList, 7);  // out of range clears, as -1 does
    EXPECT_EQ(window.SelectedLine(ControlId::deviceList), -1);
    window.SelectLine(ControlId::deviceList, 0);
    window.ClearLines(ControlId::deviceList);
    EXPECT_EQ(DeviceList()->count(), 0);
    EXPECT_EQ(window.SelectedLine(ControlId::deviceList), -1);
    window.DeleteLine(ControlId::deviceList, 0);  // nothing to delete: no effect
}

TEST_F(WriterWindowTest, LogAppendsExactlyTheTextAndKeepsTheCaretAtTheEnd) {
    ShowAndActivate();
    window.AppendToLog("socket :");
    window.AppendToLog("ok\r\n");
    window.AppendToLog("recvfrom: ");
    window.AppendToLog("");
    EXPECT_EQ(window.LogText(), "socket :ok\r\nrecvfrom: ");
    EXPECT_EQ(Log()->toPlainText(), QStringLiteral("socket :ok\nrecvfrom: "));
    EXPECT_EQ(Log()->document()->blockCount(), 2);
    EXPECT_TRUE(Log()->textCursor().atEnd());

    // A CR LF split over two appends is still one line break.
    window.AppendToLog("done\r");
    window.AppendToLog("\nnext");
    EXPECT_EQ(Log()->toPlainText(), QStringLiteral("socket :ok\nrecvfrom: done\nnext"));

    for (int i = 0; i < 200; ++i) window.AppendToLog("line\r\n");
    ProcessEventsFor(20ms);
    EXPECT_GT(Log()->verticalScrollBar()->value(), 0);
    EXPECT_TRUE(Log()->viewport()->rect().contains(Log()->cursorRect()));

    window.SetText(ControlId::log, "");
    EXPECT_EQ(window.LogText(), "");
    EXPECT_TRUE(Log()->toPlainText().isEmpty());
    window.AppendToLog(reinterpret_cast<const char*>(u8"この表示欄\r\n"));
    EXPECT_EQ(Log()->toPlainText(), QString::fromUtf8("この表示欄\n"));
}

TEST_F(WriterWindowTest, MessagesCarryTheApplicationNameAndAnswerAsTheUserDid) {
    prompts.answers = {MessageAnswer::cancel};
    EXPECT_EQ(window.ShowMessage("/tmp/fw.bin を書き込みます。", {}, MessageButtons::okCancel),
              MessageAnswer::cancel);
    EXPECT_EQ(window.ShowMessage("正常終了", {}, MessageButtons::ok), MessageAnswer::ok);

    const auto messages = prompts.Messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].owner, &window);
    EXPECT_EQ(messages[0].caption, QStringLiteral("TAVRO Writer"));
    EXPECT_EQ(messages[0].text, QString::fromUtf8("/tmp/fw.bin を書き込みます。"));
    EXPECT_EQ(messages[0].buttons, MessageButtons::okCancel);
    EXPECT_EQ(messages[1].buttons, MessageButtons::ok);
}

TEST_F(WriterWindowTest, ErrorBoxFromAWorkerIsShownOnTheUiThreadAndWaitedFor) {
    std::atomic<bool> shownBeforeReturn{false};
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        window.ShowErrorBox("CryptAcquireContext failed");
        shownBeforeReturn = prompts.messageCount.load() == 1;
        returned = true;
    });
    EXPECT_TRUE(ProcessEventsUntil([&] { return returned.load(); }));
    worker.join();
    EXPECT_TRUE(shownBeforeReturn);

    const auto messages = prompts.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].owner, nullptr);
    EXPECT_EQ(messages[0].caption, QStringLiteral("Error"));
    EXPECT_EQ(messages[0].text, QStringLiteral("CryptAcquireContext failed"));
    EXPECT_TRUE(messages[0].onUiThread);
}

TEST_F(WriterWindowTest, FileDialogGetsTheFilterInQtTermsAndGivesAnAbsolutePath) {
    const FileOpenRequest request{.defaultExtension = "bin",
                                  .filter = "Firmware file (*.bin)|*.bin|all files(*.*)|*.*||",
                                  .fileMustExist = true};
    prompts.fileAnswer = QStringLiteral("firmware/new.bin");
    const std::optional<std::string> chosen = window.AskOpenFile(request);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, QDir::current().absoluteFilePath("firmware/new.bin").toStdString());

    ASSERT_EQ(prompts.fileRequests.size(), 1u);
    const OpenFileSettings& settings = prompts.fileRequests[0];
    EXPECT_EQ(settings.nameFilters, QStringList({QStringLiteral("Firmware file (*.bin) (*.bin)"),
                                                 QStringLiteral("all files(*.*) (*)")}));
    EXPECT_EQ(settings.defaultSuffix, QStringLiteral("bin"));
    EXPECT_TRUE(settings.fileMustExist);

    prompts.fileAnswer = std::nullopt;
    EXPECT_FALSE(window.AskOpenFile(request).has_value());
}

TEST_F(WriterWindowTest, TimersTickWithTheirIdsUntilStopped) {
    window.StartTimer(0, 10);
    EXPECT_TRUE(ProcessEventsUntil([&] { return events.ticks.size() >= 3; }, 5s));
    window.StartTimer(7, 10);
    EXPECT_TRUE(ProcessEventsUntil(
        [&] { return std::count(events.ticks.begin(), events.ticks.end(), 7) >= 2; }, 5s));
    window.StopTimer(0);
    window.StopTimer(7);
    window.StopTimer(3);  // never started: no effect
    const std::size_t stoppedAt = events.ticks.size();
    ProcessEventsFor(100ms);
    EXPECT_EQ(events.ticks.size(), stoppedAt);
}

TEST_F(WriterWindowTest, ATimerStoppedInItsOwnTickTicksNoMore) {
    events.onTimer = [&](int id) { window.StopTimer(id); };
    window.StartTimer(0, 10);
    EXPECT_TRUE(ProcessEventsUntil([&] { return !events.ticks.empty(); }, 5s));
    ProcessEventsFor(100ms);
    EXPECT_EQ(events.ticks, std::vector<int>({0}));
}

TEST_F(WriterWindowTest, RunOnUiThreadFromAWorkerRunsEachCallInOrderAndWaits) {
    constexpr int kCalls = 200;
    int ranOnUi = 0;
    std::atomic<bool> everReturnedEarly{false};
    std::atomic<bool> everOffUiThread{false};
    std::atomic<bool> finished{false};
    std::string expected;
    for (int i = 0; i < kCalls; ++i) expected += "line " + std::to_string(i) + "\r\n";

    std::thread worker([&] {
        for (int i = 0; i < kCalls; ++i) {
            window.RunOnUiThread([&, i] {
                if (QThread::currentThread() != window.thread()) everOffUiThread = true;
                window.AppendToLog("line " + std::to_string(i) + "\r\n");
                ++ranOnUi;
            });
            if (ranOnUi != i + 1) everReturnedEarly = true;
        }
        finished = true;
    });
    EXPECT_TRUE(ProcessEventsUntil([&] { return finished.load(); }, 30s));
    worker.join();
    EXPECT_FALSE(everReturnedEarly);
    EXPECT_FALSE(everOffUiThread);
    EXPECT_EQ(window.LogText(), expected);

    bool ranAtOnce = false;
    window.RunOnUiThread([&] { ranAtOnce = true; });
    EXPECT_TRUE(ranAtOnce);
}

TEST_F(WriterWindowTest, WaitCursorIsSetOnceAndRestored) {
    window.SetWaitCursor(true);
    window.SetWaitCursor(true);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    window.SetWaitCursor(false);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    window.SetWaitCursor(false);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(WriterWindowTest, ProgressBarTakesItsRangeAndPositionFromTheBehaviour) {
    window.SetProgressRange(0, 100);
    window.SetProgressPosition(42);
    auto* bar = ControlAs<QProgressBar>(ControlId::progress);
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 100);
    EXPECT_EQ(bar->value(), 42);
    window.Show(ControlId::progress, false);
    window.Enable(ControlId::search, false);
    EXPECT_TRUE(bar->isHidden());
    EXPECT_FALSE(window.Control(ControlId::search)->isEnabled());
}

}  // namespace
}  // namespace tavro::ui::test
