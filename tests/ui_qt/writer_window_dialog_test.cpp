// The real window under the real WriterDialog, with made-up interface facts and devices and a
// stand-in upload: nothing is sent anywhere.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QContextMenuEvent>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <cstring>
#include <mutex>
#include <thread>

#include "discovery/device_table.h"
#include "made_up_network.h"
#include "qt_test_support.h"
#include "ui/qt/writer_window.h"
#include "ui/writer_dialog.h"

namespace tavro::ui::test {
namespace {

using namespace std::chrono_literals;

constexpr char kFirstLogLine[] =
    "この表示欄は現状デバッグのために出してるけど、リリース時にはなくす\r\n";

interfaces::InterfaceFacts TwoAddressesOnVeth0() {
    return tavro::test::MadeUpFacts({{7, "veth", "veth0", {"198.18.0.1", "198.18.0.5"}}});
}

discovery::DeviceRecord Device(const char* address, std::uint8_t last) {
    return tavro::test::MadeUpDevice(address, last, 100 + last);
}

class WriterWindowDialogTest : public ::testing::Test {
protected:
    WriterWindowDialogTest() : application(QtTestApplication()), window(&prompts) {
        services.readInterfaceFacts = [this] { return facts; };
        services.discoverDevices = [this](discovery::DeviceTable& table, net::Ipv4Address local) {
            searchedFrom = local.ToString();
            while (holdSearch.load()) std::this_thread::sleep_for(1ms);
            table.deviceCount = 0;
            for (const discovery::DeviceRecord& device : devices)
                table.rows[table.deviceCount++] = device;
            return table.deviceCount;
        };
        services.runUpload = [this](const upload::UploadRequest& request, upload::UploadSink& sink,
                                    const upload::UploadTimeouts&) {
            {
                std::lock_guard lock(mutex);
                requests.push_back(request);
            }
            sink.AppendText("socket :");
            sink.AppendText("ok\r\n");
            sink.SetProgress(50);
            while (holdUpload.load()) std::this_thread::sleep_for(1ms);
            upload::UploadReport report;
            report.result = uploadResult;
            return report;
        };
        services.startWorker = [this](std::function<void()> work) {
            workers.emplace_back(std::move(work));
            return true;
        };
        services.exitProcess = [this](int status, const std::string&) { exitStatus = status; };
        services.saveText = RealWriterServices().saveText;
    }

    ~WriterWindowDialogTest() override {
        holdUpload = false;
        // The workers call back into the window; keep the UI thread answering until they end.
        for (std::thread& worker : workers) {
            while (worker.joinable() && dialog && (dialog->uploadBusy() || dialog->searchBusy()))
                ProcessEventsFor(5ms);
            worker.join();
        }
    }

    void StartDialog() {
        dialog = std::make_unique<WriterDialog>(window, services);
        window.SetEvents(*dialog);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    QListWidget* DeviceList() {
        return qobject_cast<QListWidget*>(window.Control(ControlId::deviceList));
    }
    bool Enabled(ControlId id) { return window.Control(id)->isEnabled(); }
    bool Shown(ControlId id) { return !window.Control(id)->isHidden(); }
    void ClickDeviceLine(int line) {
        QListWidget* list = DeviceList();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(line)).center());
    }
    // Search pressed, and its worker run to the end.
    void Search() {
        QTest::mouseClick(window.Control(ControlId::search), Qt::LeftButton);
        ASSERT_TRUE(ProcessEventsUntil([&] { return !dialog->searchBusy(); }));
    }
    void SearchAndPickFirstDevice() {
        Search();
        ASSERT_EQ(DeviceList()->count(), 2);
        ClickDeviceLine(0);
        ASSERT_TRUE(Enabled(ControlId::write));
    }
    void ExpectIdleLayoutWithWriteDisabled() {
        EXPECT_TRUE(Enabled(ControlId::interfaceList));
        EXPECT_TRUE(Enabled(ControlId::search));
        EXPECT_TRUE(Enabled(ControlId::deviceList));
        EXPECT_FALSE(Enabled(ControlId::write));
        EXPECT_FALSE(Shown(ControlId::progress));
        EXPECT_TRUE(Shown(ControlId::version));
        EXPECT_EQ(qobject_cast<QProgressBar*>(window.Control(ControlId::progress))->value(), 0);
    }

    QApplication& application;
    FakePrompts prompts;
    WriterWindow window;
    WriterServices services;
    std::unique_ptr<WriterDialog> dialog;
    interfaces::InterfaceFacts facts = TwoAddressesOnVeth0();
    std::vector<discovery::DeviceRecord> devices = {Device("198.18.0.20", 0x20),
                                                    Device("198.18.0.21", 0x21)};
    std::string searchedFrom;
    std::mutex mutex;
    std::vector<upload::UploadRequest> requests;
    std::atomic<bool> holdUpload{true};
    std::atomic<bool> holdSearch{false};
    upload::UploadResult uploadResult = 0;
    std::vector<std::thread> workers;
    int exitStatus = -1;
};

TEST_F(WriterWindowDialogTest, StartsInTheIdleLayoutWithTheFirstInterfaceSelected) {
    StartDialog();
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.windowIcon().isNull());

    auto* interfaces = qobject_cast<QComboBox*>(window.Control(ControlId::interfaceList));
    ASSERT_EQ(interfaces->count(), 2);
    EXPECT_EQ(interfaces->itemText(0), QStringLiteral("198.18.0.1 (veth0)"));
    EXPECT_EQ(interfaces->itemText(1), QStringLiteral("198.18.0.5 (veth0)"));
    EXPECT_EQ(interfaces->currentIndex(), 0);
    EXPECT_EQ(dialog->selectedLocalAddress(), "198.18.0.1");

    EXPECT_EQ(qobject_cast<QLabel*>(window.Control(ControlId::version))->text(),
              QStringLiteral("Version 1.00"));
    ExpectIdleLayoutWithWriteDisabled();
    EXPECT_FALSE(Shown(ControlId::log));
    EXPECT_EQ(window.LogText(), kFirstLogLine);
    EXPECT_TRUE(prompts.Messages().empty());
}

TEST_F(WriterWindowDialogTest, ChoosingAnotherInterfaceChangesTheSearchAddress) {
    StartDialog();
    auto* interfaces = qobject_cast<QComboBox*>(window.Control(ControlId::interfaceList));
    interfaces->setFocus();
    QTest::keyClick(interfaces, Qt::Key_Down);
    EXPECT_EQ(dialog->selectedLocalAddress(), "198.18.0.5");
    Search();
    EXPECT_EQ(searchedFrom, "198.18.0.5");
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    std::atomic<int> paints{0};

protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

TEST_F(WriterWindowDialogTest, TheWindowPaintsAndRefusesToCloseWhileASearchRuns) {
    StartDialog();
    PaintCounter counter;
    window.installEventFilter(&counter);
    holdSearch = true;
    QTest::mouseClick(window.Control(ControlId::search), Qt::LeftButton);
    ASSERT_TRUE(dialog->searchBusy());
    window.update();
    EXPECT_TRUE(ProcessEventsUntil([&] { return counter.paints.load() > 0; }));
    EXPECT_FALSE(Enabled(ControlId::search));
    EXPECT_FALSE(Enabled(ControlId::deviceList));
    EXPECT_TRUE(Shown(ControlId::version));
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.isVisible());

    holdSearch = false;
    ASSERT_TRUE(ProcessEventsUntil([&] { return !dialog->searchBusy(); }));
    ASSERT_EQ(DeviceList()->count(), 2);
    EXPECT_EQ(DeviceList()->item(0)->text(),
              QString::fromStdString(discovery::DeviceLine(devices[0])));
    EXPECT_TRUE(Enabled(ControlId::search));
    window.removeEventFilter(&counter);
    EXPECT_TRUE(window.close());
}

TEST_F(WriterWindowDialogTest, TheMenuShowsHidesAndSavesTheWholeLog) {
    StartDialog();
    SearchAndPickFirstDevice();
    prompts.fileAnswer = QStringLiteral("/srv/firmware/new.bin");
    holdUpload = false;
    QTest::mouseClick(window.Control(ControlId::write), Qt::LeftButton);
    ASSERT_TRUE(ProcessEventsUntil([&] { return prompts.messageCount.load() == 2; }));
    ASSERT_TRUE(ProcessEventsUntil([&] { return Enabled(ControlId::search); }));

    const QString showLog = QString::fromUtf8("ログを表示(&L)");
    ChooseFromNextMenu(showLog);
    QTest::keyClick(&window, Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_TRUE(Shown(ControlId::log));
    const QString shown =
        qobject_cast<QPlainTextEdit*>(window.Control(ControlId::log))->toPlainText();
    EXPECT_EQ(shown, QString::fromUtf8(kFirstLogLine).trimmed() + QStringLiteral("\nsocket :ok\n"));

    // A right click on the dialog's background opens the same menu.
    ChooseFromNextMenu(showLog);
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(2, 2),
                                 window.mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(&window, &rightClick);
    EXPECT_FALSE(Shown(ControlId::log));

    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    prompts.saveAnswer = folder.filePath(QStringLiteral("trace.txt"));
    ChooseFromNextMenu(QString::fromUtf8("ログを保存(&S)..."));
    QTest::keyClick(&window, Qt::Key_F10, Qt::ShiftModifier);
    QFile saved(*prompts.saveAnswer);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll().toStdString(), window.LogText());
}

TEST_F(WriterWindowDialogTest, WithoutAUsableInterfaceTheDialogEndsUnshown) {
    facts.addresses = std::vector<interfaces::AddressRow>{};
    dialog = std::make_unique<WriterDialog>(window, services);
    window.SetEvents(*dialog);
    EXPECT_EQ(window.exec(), -1);
    EXPECT_FALSE(window.isVisible());

    const auto messages = prompts.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QString::fromUtf8("ネットワークデバイスが見つかりませんでした。"));
    EXPECT_EQ(messages[0].caption, QStringLiteral("TAVRO Writer"));
    EXPECT_EQ(qobject_cast<QComboBox*>(window.Control(ControlId::interfaceList))->count(), 0);
}

TEST_F(WriterWindowDialogTest, ASuccessfulJobRunsThroughTheRealWindowAndRemovesTheDevice) {
    StartDialog();
    SearchAndPickFirstDevice();
    EXPECT_EQ(DeviceList()->item(1)->text(),
              QString::fromStdString(discovery::DeviceLine(devices[1])));
    prompts.fileAnswer = QStringLiteral("/srv/firmware/new.bin");

    QTest::mouseClick(window.Control(ControlId::write), Qt::LeftButton);
    // Uploading layout while the worker holds the job open.
    EXPECT_FALSE(Enabled(ControlId::interfaceList));
    EXPECT_FALSE(Enabled(ControlId::search));
    EXPECT_FALSE(Enabled(ControlId::deviceList));
    EXPECT_FALSE(Enabled(ControlId::write));
    EXPECT_TRUE(Shown(ControlId::progress));
    EXPECT_FALSE(Shown(ControlId::version));
    auto* progress = qobject_cast<QProgressBar*>(window.Control(ControlId::progress));
    ASSERT_TRUE(ProcessEventsUntil([&] { return progress->value() == 50; }));

    // The job still runs: neither the close box nor Escape ends the dialog.
    EXPECT_FALSE(window.close());
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_TRUE(window.isVisible());

    holdUpload = false;
    ASSERT_TRUE(ProcessEventsUntil([&] { return prompts.messageCount.load() == 2; }));
    ProcessEventsFor(100ms);  // further ticks must show nothing more
    const auto messages = prompts.Messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].text, QString::fromUtf8("/srv/firmware/new.bin を書き込みます。"));
    EXPECT_EQ(messages[0].buttons, MessageButtons::okCancel);
    EXPECT_EQ(messages[1].text, QString::fromUtf8("正常終了"));
    EXPECT_EQ(messages[1].buttons, MessageButtons::ok);
    EXPECT_EQ(messages[1].caption, QStringLiteral("TAVRO Writer"));

    {
        std::lock_guard lock(mutex);
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].deviceAddress.ToString(), "198.18.0.20");
        EXPECT_EQ(requests[0].localAddress.ToString(), "198.18.0.1");
        EXPECT_EQ(requests[0].firmwarePath, "/srv/firmware/new.bin");
    }
    EXPECT_EQ(window.LogText(), std::string(kFirstLogLine) + "socket :ok\r\n");
    ASSERT_EQ(DeviceList()->count(), 1);
    EXPECT_EQ(DeviceList()->item(0)->text(),
              QString::fromStdString(discovery::DeviceLine(devices[1])));
    EXPECT_EQ(window.SelectedLine(ControlId::deviceList), -1);
    ExpectIdleLayoutWithWriteDisabled();

    EXPECT_TRUE(window.close());
}

TEST_F(WriterWindowDialogTest, AFailedJobLeavesTheDeviceListedAndSelected) {
    StartDialog();
    SearchAndPickFirstDevice();
    prompts.fileAnswer = QStringLiteral("/srv/firmware/new.bin");
    uploadResult = 10060;
    holdUpload = false;

    QTest::mouseClick(window.Control(ControlId::write), Qt::LeftButton);
    ASSERT_TRUE(ProcessEventsUntil([&] { return prompts.messageCount.load() == 2; }));
    EXPECT_EQ(prompts.Messages()[1].text, QString::fromUtf8("ネットワークエラー:10060"));
    ASSERT_TRUE(ProcessEventsUntil([&] { return Enabled(ControlId::search); }));
    EXPECT_EQ(DeviceList()->count(), 2);
    EXPECT_EQ(window.SelectedLine(ControlId::deviceList), 0);
    ExpectIdleLayoutWithWriteDisabled();
}

TEST_F(WriterWindowDialogTest, WriteWithoutASelectedDeviceAsksForOne) {
    StartDialog();
    Search();
    window.Enable(ControlId::write, true);  // as after a search that emptied the list
    QTest::mouseClick(window.Control(ControlId::write), Qt::LeftButton);
    const auto messages = prompts.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QString::fromUtf8("デバイスを選択してください"));
    EXPECT_TRUE(prompts.fileRequests.empty());
    EXPECT_EQ(window.LogText(), kFirstLogLine);
}

}  // namespace
}  // namespace tavro::ui::test
