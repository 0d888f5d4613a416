#include <gtest/gtest.h>

#include <QComboBox>
#include <QListWidget>
#include <QTest>
#include <algorithm>
#include <fstream>
#include <random>

#include "device_network_test.h"
#include "qt_test_support.h"
#include "ui/qt/writer_window.h"
#include "ui/writer_dialog.h"

namespace tavro::ui::test {
namespace {

using namespace std::chrono_literals;
using tavro::test::DeviceNetworkTest;

// The real window over the real core, against simulated devices in a private test network:
// what a user does, from Search to the outcome, with only the file dialog and the message
// boxes answered in advance.
class WriterWindowNetworkTest : public DeviceNetworkTest {
protected:
    WriterWindowNetworkTest() : application(QtTestApplication()), window(&prompts) {}

    void OpenDialog() {
        dialog = std::make_unique<WriterDialog>(window, RealWriterServices());
        window.SetEvents(*dialog);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    QListWidget* DeviceList() {
        return qobject_cast<QListWidget*>(window.Control(ControlId::deviceList));
    }

    std::vector<std::string> DeviceLines() {
        std::vector<std::string> lines;
        for (int i = 0; i < DeviceList()->count(); ++i) {
            lines.push_back(DeviceList()->item(i)->text().toStdString());
        }
        return lines;
    }

    int LineOf(const std::string& address) {
        const std::vector<std::string> lines = DeviceLines();
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].rfind(address + " ", 0) == 0) return static_cast<int>(i);
        }
        return -1;
    }

    std::string WriteFirmwareFile(std::size_t size) {
        std::string bytes(size, '\0');
        std::mt19937 random(7);
        std::generate(bytes.begin(), bytes.end(), [&] { return static_cast<char>(random()); });
        // One file per test: the tests of this program may run at the same time.
        const std::string path = ::testing::TempDir() + "tavro-window-firmware-" +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                                 ".bin";
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    QApplication& application;
    FakePrompts prompts;
    WriterWindow window;
    std::unique_ptr<WriterDialog> dialog;
};

TEST_F(WriterWindowNetworkTest, SearchThenWriteIntoTheDeviceThatAsksForThePassword) {
    START_DEVICES({"198.18.0.10", "198.18.0.11"},
                  {"198.18.0.10,sketch=105", "198.18.0.11,sketch=120,password=VESPERDUN"});
    OpenDialog();
    auto* interfaces = qobject_cast<QComboBox*>(window.Control(ControlId::interfaceList));
    ASSERT_EQ(interfaces->count(), 1);
    EXPECT_EQ(interfaces->itemText(0).toStdString(), "198.18.0.1 (tv0)");

    QTest::mouseClick(window.Control(ControlId::search), Qt::LeftButton);
    ASSERT_TRUE(ProcessEventsUntil([&] { return !dialog->searchBusy(); }, 30s));
    std::vector<std::string> lines = DeviceLines();
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (std::vector<std::string>{"198.18.0.10 / 02-00-5E-12-00-0A / ver. 1.05",
                                               "198.18.0.11 / 02-00-5E-12-00-0B / ver. 1.20"}));

    const int line = LineOf("198.18.0.11");
    ASSERT_GE(line, 0);
    QListWidget* list = DeviceList();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(line)).center());
    ASSERT_TRUE(window.Control(ControlId::write)->isEnabled());

    const std::string firmware = WriteFirmwareFile(2500);
    prompts.fileAnswer = QString::fromStdString(firmware);
    QTest::mouseClick(window.Control(ControlId::write), Qt::LeftButton);
    ASSERT_TRUE(ProcessEventsUntil([&] { return prompts.messageCount.load() == 2; }, 30s));

    EXPECT_EQ(prompts.Messages()[1].text, QString::fromUtf8("正常終了"));
    EXPECT_EQ(sim().StoredImage("198.18.0.11"), tavro::test::ReadWholeFile(firmware));
    EXPECT_EQ(DeviceLines(),
              std::vector<std::string>{"198.18.0.10 / 02-00-5E-12-00-0A / ver. 1.05"});
    EXPECT_FALSE(window.Control(ControlId::write)->isEnabled());
    EXPECT_NE(window.LogText().find("recv: \"AUTH\"\r\n"), std::string::npos);
    EXPECT_NE(window.LogText().find("...\r\nファームウェアを送信終了。\r\n"), std::string::npos);
    EXPECT_TRUE(window.close());
}

// A device whose password is not the factory one: refused with its cause, then written once
// the password is given through the menu, which no log line and no box ever shows.
TEST_F(WriterWindowNetworkTest, ADeviceWithItsOwnPasswordIsWrittenAfterTheMenuSetsIt) {
    START_DEVICES({"198.18.0.10"}, {"198.18.0.10,password=Kumo-7-Secret"});
    OpenDialog();
    QTest::mouseClick(window.Control(ControlId::search), Qt::LeftButton);
    ASSERT_TRUE(ProcessEventsUntil([&] { return !dialog->searchBusy(); }, 30s));
    ASSERT_EQ(LineOf("198.18.0.10"), 0);
    const auto writeLineZero = [&](int boxesAfter) {
        QListWidget* list = DeviceList();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(0)).center());
        QTest::mouseClick(window.Control(ControlId::write), Qt::LeftButton);
        ASSERT_TRUE(
            ProcessEventsUntil([&] { return prompts.messageCount.load() == boxesAfter; }, 60s))
            << window.LogText();
    };
    prompts.fileAnswer = QString::fromStdString(WriteFirmwareFile(3000));

    writeLineZero(2);
    ASSERT_EQ(prompts.Messages().size(), 2u);
    const FakePrompts::MessageCall refused = prompts.Messages()[1];
    EXPECT_EQ(refused.text, QString::fromUtf8("TAVRO通信エラー"));
    EXPECT_TRUE(refused.detail.contains(QStringLiteral("198.18.0.10")))
        << refused.detail.toStdString();

    // After a failure the line stays selected with Write disabled: a new search lists it again.
    QTest::mouseClick(window.Control(ControlId::search), Qt::LeftButton);
    ASSERT_TRUE(ProcessEventsUntil([&] { return !dialog->searchBusy(); }, 30s));
    prompts.textAnswers = {QStringLiteral("Kumo-7-Secret")};
    ChooseFromNextMenu(QString::fromUtf8("アップロードパスワード(&P)..."));
    QTest::keyClick(&window, Qt::Key_F10, Qt::ShiftModifier);
    ASSERT_EQ(prompts.textPrompts.size(), 1u);
    EXPECT_TRUE(prompts.textPrompts[0].masked);

    writeLineZero(4);
    ASSERT_EQ(prompts.Messages().size(), 4u);
    EXPECT_EQ(prompts.Messages()[3].text, QString::fromUtf8("正常終了"));
    EXPECT_TRUE(DeviceLines().empty());
    for (const FakePrompts::MessageCall& box : prompts.Messages()) {
        EXPECT_FALSE(box.text.contains(QStringLiteral("Kumo")));
        EXPECT_FALSE(box.detail.contains(QStringLiteral("Kumo")));
    }
    EXPECT_EQ(window.LogText().find("Kumo"), std::string::npos);
    EXPECT_TRUE(window.close());
}

}  // namespace
}  // namespace tavro::ui::test
