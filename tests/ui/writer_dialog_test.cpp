#include "ui/writer_dialog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <thread>

#include "discovery/device_table.h"
#include "fake_controls.h"
#include "made_up_network.h"

namespace tavro::ui::test {
namespace {

using namespace std::chrono_literals;
using tavro::test::MadeUpDevice;
using tavro::test::MadeUpFacts;

// Two connected interfaces, three addresses; all made up, nothing is sent anywhere.
interfaces::InterfaceFacts ThreeAddresses() {
    return MadeUpFacts({{2, "e1000", "eth0", {"198.18.0.1", "198.18.0.2"}},
                        {9, "iwlwifi", "wlan0", {"198.18.0.3"}}});
}

discovery::DeviceRecord Device(const char* address, std::uint8_t last, std::uint32_t sketch) {
    return MadeUpDevice(address, last, sketch);
}

class WriterDialogTest : public ::testing::Test {
protected:
    WriterDialogTest() {
        services.readInterfaceFacts = [this] { return facts; };
        services.discoverDevices = [this](discovery::DeviceTable& table, net::Ipv4Address local) {
            discoveredFrom = local.ToString();
            waitCursorDuringSearch = controls.waitCursorDepth > 0;
            searchedOffUiThread = !controls.OnUiThread();
            while (holdSearch.load()) std::this_thread::sleep_for(1ms);
            table.deviceCount = 0;
            for (const discovery::DeviceRecord& device : devicesOnNetwork) {
                table.rows[table.deviceCount++] = device;
            }
            discovery::SearchOutcome outcome(devicesOnNetwork.empty() ? discoveryResultWhenEmpty
                                                                      : table.deviceCount);
            outcome.unlistedReplies = unlistedReplies;
            outcome.endedAtBound = searchEndedAtBound;
            return outcome;
        };
        services.runUpload = [this](const upload::UploadRequest& request, upload::UploadSink& sink,
                                    const upload::UploadTimeouts&) {
            uploadRequests.push_back(request);
            ranOffUiThread = !controls.OnUiThread();
            sink.AppendText("socket :");
            sink.AppendText("ok\r\n");
            sink.SetProgress(50);
            while (holdUpload.load()) std::this_thread::sleep_for(1ms);
            upload::UploadReport report = uploadReport;
            report.result = uploadResult;
            return report;
        };
        services.fileSize = [](const std::string&) { return std::int64_t{4096}; };
        services.startWorker = [this](std::function<void()> work) {
            std::lock_guard lock(workersMutex);
            workers.emplace_back(std::move(work));
            return true;
        };
        services.exitProcess = [this](int status, const std::string&) { exitStatus = status; };
    }

    // A worker may still be returning from its last call to the UI thread: it touches the
    // controls until it has.
    ~WriterDialogTest() override {
        holdSearch = false;
        holdUpload = false;
        if (dialog) {
            controls.PumpUntil(*dialog,
                               [&] { return !dialog->searchBusy() && !dialog->uploadBusy(); });
        }
        std::lock_guard lock(workersMutex);
        for (std::thread& worker : workers) worker.join();
    }

    WriterDialog& Start() {
        dialog = std::make_unique<WriterDialog>(controls, services);
        initResult = dialog->OnInitDialog();
        return *dialog;
    }

    // Search pressed, and its worker run to the end.
    void Search() {
        dialog->OnSearch();
        ASSERT_TRUE(controls.PumpUntil(*dialog, [&] { return !dialog->searchBusy(); }));
    }

    // Search finds three devices and the user selects one of them.
    void SearchAndSelect(int line) {
        devicesOnNetwork = {Device("198.18.0.20", 0x0C, 105), Device("198.18.0.21", 0x0D, 91),
                            Device("198.18.0.22", 0x0E, 90)};
        Search();
        controls[ControlId::deviceList].selected = line;
        dialog->OnDeviceSelectionChange();
    }

    // Write pressed, file chosen, confirmation answered OK, and the job run to its outcome.
    void WriteAndWait() {
        controls.chosenFile = "/firmware/tavro-2.bin";
        dialog->OnWrite();
        ASSERT_TRUE(controls.PumpUntil(*dialog, [&] { return controls.runningTimers.empty(); }));
    }

    void ExpectIdleLayout() {
        for (ControlId id : {ControlId::interfaceList, ControlId::search, ControlId::deviceList}) {
            EXPECT_TRUE(controls[id].enabled) << static_cast<int>(id);
        }
        EXPECT_FALSE(controls[ControlId::write].enabled);
        EXPECT_FALSE(controls[ControlId::progress].visible);
        EXPECT_EQ(controls.progressPosition, 0);
        EXPECT_TRUE(controls[ControlId::version].visible);
    }

    FakeControls controls;
    WriterServices services;
    interfaces::InterfaceFacts facts = ThreeAddresses();
    std::vector<discovery::DeviceRecord> devicesOnNetwork;
    int discoveryResultWhenEmpty = 0;
    int unlistedReplies = 0;
    bool searchEndedAtBound = false;
    std::string discoveredFrom;
    bool waitCursorDuringSearch = false;
    bool searchedOffUiThread = false;
    std::atomic<bool> holdSearch{false};
    std::vector<upload::UploadRequest> uploadRequests;
    std::atomic<bool> holdUpload{false};
    bool ranOffUiThread = false;
    upload::UploadResult uploadResult = upload::kUploadSucceeded;
    upload::UploadReport uploadReport;  // the facts the stand-in upload reports
    std::optional<int> exitStatus;
    std::unique_ptr<WriterDialog> dialog;
    bool initResult = false;
    std::mutex workersMutex;
    std::vector<std::thread> workers;
};

TEST_F(WriterDialogTest, StartsInTheIdleLayoutWithTheFirstInterfaceSelected) {
    Start();
    EXPECT_TRUE(initResult);
    EXPECT_TRUE(controls.iconSet);
    EXPECT_EQ(
        controls[ControlId::interfaceList].lines,
        (std::vector<std::string>{"198.18.0.1 (eth0)", "198.18.0.2 (eth0)", "198.18.0.3 (wlan0)"}));
    EXPECT_EQ(controls[ControlId::interfaceList].selected, 0);
    EXPECT_EQ(dialog->selectedLocalAddress(), "198.18.0.1");
    EXPECT_EQ(controls[ControlId::version].text, "Version 1.00");
    EXPECT_EQ(controls.progressLow, 0);
    EXPECT_EQ(controls.progressHigh, 100);
    ExpectIdleLayout();
    EXPECT_FALSE(controls[ControlId::log].visible);
    EXPECT_EQ(controls[ControlId::log].text,
              "この表示欄は現状デバッグのために出してるけど、リリース時にはなくす\r\n");
    EXPECT_TRUE(controls.messages.empty());
    EXPECT_FALSE(controls.endResult.has_value());
    EXPECT_TRUE(dialog->CanClose());
}

TEST_F(WriterDialogTest, VersionLabelShowsTheRevisionOnlyWhenItIsSet) {
    services.version = {1, 2, 3, 4};
    Start();
    EXPECT_EQ(controls[ControlId::version].text, "Version 1.234");
}

TEST_F(WriterDialogTest, NoUsableInterfaceEndsTheDialogWithMinusOne) {
    facts.addresses = std::vector<interfaces::AddressRow>{};
    Start();
    EXPECT_FALSE(initResult);
    EXPECT_EQ(controls.messages,
              std::vector<std::string>{"ネットワークデバイスが見つかりませんでした。"});
    EXPECT_EQ(controls.endResult, -1);
    EXPECT_TRUE(controls[ControlId::interfaceList].lines.empty());
    EXPECT_EQ(controls[ControlId::log].text, "");
    EXPECT_TRUE(controls[ControlId::log].visible);
    EXPECT_EQ(dialog->selectedLocalAddress(), "");
}

TEST_F(WriterDialogTest, UnreadableAdapterListEndsTheProcessWithStatusOne) {
    facts.adapters = std::nullopt;
    Start();
    EXPECT_FALSE(initResult);
    EXPECT_EQ(exitStatus, 1);
    EXPECT_TRUE(controls.messages.empty());
}

TEST_F(WriterDialogTest, EnableControlsSwitchesBetweenTheTwoLayouts) {
    Start();
    dialog->EnableControls(false);
    for (ControlId id :
         {ControlId::interfaceList, ControlId::search, ControlId::deviceList, ControlId::write}) {
        EXPECT_FALSE(controls[id].enabled) << static_cast<int>(id);
    }
    EXPECT_TRUE(controls[ControlId::progress].visible);
    EXPECT_FALSE(controls[ControlId::version].visible);
    EXPECT_EQ(controls.progressPosition, 0);

    controls.SetProgressPosition(70);
    dialog->EnableControls(true);
    EXPECT_TRUE(controls[ControlId::write].enabled);
    EXPECT_FALSE(controls[ControlId::progress].visible);
    EXPECT_TRUE(controls[ControlId::version].visible);
    EXPECT_EQ(controls.progressPosition, 0);
}

TEST_F(WriterDialogTest, ChoosingAnInterfaceLineSelectsItsAddress) {
    Start();
    controls[ControlId::interfaceList].selected = 2;
    dialog->OnInterfaceSelectionChange();
    EXPECT_EQ(dialog->selectedLocalAddress(), "198.18.0.3");

    controls[ControlId::interfaceList].selected = -1;
    dialog->OnInterfaceSelectionChange();
    EXPECT_EQ(dialog->selectedLocalAddress(), "198.18.0.3");
}

TEST_F(WriterDialogTest, SearchRefillsTheListFromTheChosenAddress) {
    Start();
    controls[ControlId::interfaceList].selected = 1;
    dialog->OnInterfaceSelectionChange();
    SearchAndSelect(0);

    EXPECT_EQ(discoveredFrom, "198.18.0.2");
    EXPECT_TRUE(waitCursorDuringSearch);
    EXPECT_EQ(controls.waitCursorDepth, 0);
    EXPECT_EQ(controls[ControlId::deviceList].lines,
              (std::vector<std::string>{"198.18.0.20 / 02-00-5E-0A-0B-0C / ver. 1.05",
                                        "198.18.0.21 / 02-00-5E-0A-0B-0D / ver. 0.91",
                                        "198.18.0.22 / 02-00-5E-0A-0B-0E / ver. 1.00"}));
    EXPECT_TRUE(controls[ControlId::write].enabled);

    // A new search empties the list and leaves Write as it was.
    devicesOnNetwork = {Device("198.18.0.30", 0x01, 100)};
    Search();
    EXPECT_EQ(controls[ControlId::deviceList].lines,
              std::vector<std::string>{"198.18.0.30 / 02-00-5E-0A-0B-01 / ver. 1.00"});
    EXPECT_EQ(controls[ControlId::deviceList].selected, -1);
    EXPECT_TRUE(controls[ControlId::write].enabled);

    dialog->OnDeviceSelectionChange();
    EXPECT_FALSE(controls[ControlId::write].enabled);
}

TEST_F(WriterDialogTest, ASearchRunsOnAWorkerWithTheDialogClosedToInput) {
    Start();
    SearchAndSelect(0);
    holdSearch = true;
    dialog->OnSearch();
    EXPECT_TRUE(dialog->searchBusy());
    EXPECT_FALSE(dialog->CanClose());
    for (ControlId id :
         {ControlId::interfaceList, ControlId::search, ControlId::deviceList, ControlId::write}) {
        EXPECT_FALSE(controls[id].enabled) << static_cast<int>(id);
    }
    EXPECT_TRUE(controls[ControlId::version].visible);
    EXPECT_FALSE(controls[ControlId::progress].visible);
    EXPECT_EQ(controls.waitCursorDepth, 1);
    dialog->OnSearch();  // a second press that slipped through starts nothing

    holdSearch = false;
    ASSERT_TRUE(controls.PumpUntil(*dialog, [&] { return !dialog->searchBusy(); }));
    EXPECT_TRUE(searchedOffUiThread);
    EXPECT_FALSE(controls.callOffUiThread);
    EXPECT_EQ(controls[ControlId::deviceList].lines.size(), 3u);
    EXPECT_TRUE(controls[ControlId::write].enabled);  // as it was before the search
    EXPECT_EQ(controls.waitCursorDepth, 0);
    EXPECT_TRUE(dialog->CanClose());
}

TEST_F(WriterDialogTest, EmptyOrFailedSearchLeavesTheListEmptyWithoutAMessage) {
    Start();
    SearchAndSelect(0);
    for (int result : {0, -1}) {
        devicesOnNetwork.clear();
        discoveryResultWhenEmpty = result;
        Search();
        EXPECT_TRUE(controls[ControlId::deviceList].lines.empty());
        EXPECT_TRUE(controls.messages.empty());
    }
}

TEST_F(WriterDialogTest, AFullListIsShownInRowOrderAndTheLogTellsWhatWasLeftOut) {
    Start();
    const std::string logBefore = controls[ControlId::log].text;
    SearchAndSelect(0);
    EXPECT_EQ(controls[ControlId::log].text, logBefore);  // an ordinary search logs nothing

    devicesOnNetwork.clear();
    for (int i = 0; i < discovery::DeviceTable::kCapacity; ++i) {
        devicesOnNetwork.push_back(
            Device(i % 2 ? "198.18.0.40" : "198.18.0.41", static_cast<std::uint8_t>(i), 100));
    }
    unlistedReplies = 44;
    Search();
    const std::vector<std::string>& lines = controls[ControlId::deviceList].lines;
    ASSERT_EQ(lines.size(), 256u);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i], discovery::DeviceLine(devicesOnNetwork[i])) << i;
    }
    EXPECT_EQ(controls[ControlId::log].text,
              logBefore + "44 more replies were not listed (the list holds 256)\r\n");
    EXPECT_TRUE(controls.messages.empty());

    // A search cut short by its bound says so even when it listed nobody.
    devicesOnNetwork.clear();
    unlistedReplies = 0;
    searchEndedAtBound = true;
    Search();
    EXPECT_TRUE(controls[ControlId::deviceList].lines.empty());
    EXPECT_TRUE(controls[ControlId::log].text.ends_with(
        "(the list holds 256)\r\n"
        "the search ended at its 10 s bound while replies were still arriving\r\n"));
    EXPECT_TRUE(controls.messages.empty());
}

TEST_F(WriterDialogTest, APasswordFromTheMenuAnswersTheDeviceAndIsShownNowhere) {
    services.password = "FROM-ENVIRONMENT";
    Start();
    SearchAndSelect(0);
    WriteAndWait();
    EXPECT_EQ(uploadRequests.back().password, "FROM-ENVIRONMENT");

    controls.typedTexts = {"s3cret-Pass"};
    dialog->OnMenu(MenuItem::password);
    ASSERT_EQ(controls.prompts.size(), 1u);
    EXPECT_TRUE(controls.prompts[0].masked);
    EXPECT_EQ(controls.prompts[0].initial, "");  // the one in use is never shown
    controls[ControlId::deviceList].selected = 0;
    uploadResult = 1;
    uploadReport.cause = upload::UploadCause::PasswordRefused;
    WriteAndWait();
    EXPECT_EQ(uploadRequests.back().password, "s3cret-Pass");
    for (const std::string& text : controls.messages)
        EXPECT_EQ(text.find("s3cret"), std::string::npos);
    for (const std::string& text : controls.messageDetails)
        EXPECT_EQ(text.find("s3cret"), std::string::npos);
    EXPECT_EQ(dialog->logText().find("s3cret"), std::string::npos);

    dialog->OnMenu(MenuItem::password);  // Cancel keeps it
    controls[ControlId::deviceList].selected = 0;
    WriteAndWait();
    EXPECT_EQ(uploadRequests.back().password, "s3cret-Pass");
}

TEST_F(WriterDialogTest, TheConnectPortFromTheMenuGoesToTheUploadAndNonsenseIsRefused) {
    Start();
    SearchAndSelect(0);
    controls.typedTexts = {"40123", "70000", "12a"};
    dialog->OnMenu(MenuItem::connectPort);
    EXPECT_EQ(dialog->localPort(), 40123);
    dialog->OnMenu(MenuItem::connectPort);
    dialog->OnMenu(MenuItem::connectPort);
    EXPECT_EQ(controls.prompts.back().initial, "40123");
    EXPECT_EQ(dialog->localPort(), 40123);
    EXPECT_EQ(controls.messages.size(), 2u);  // one refusal for each
    WriteAndWait();
    EXPECT_EQ(uploadRequests.back().localPort, 40123);
}

TEST_F(WriterDialogTest, TheMenuShowsAndSavesTheLogAndWaitsWhileWorkRuns) {
    std::string savedPath;
    std::string savedText;
    services.saveText = [&](const std::string& path, const std::string& text) {
        savedPath = path;
        savedText = text;
        return std::optional<std::string>();
    };
    Start();
    EXPECT_FALSE(dialog->CurrentMenuState().logShown);
    dialog->OnMenu(MenuItem::showLog);
    EXPECT_TRUE(controls[ControlId::log].visible);
    EXPECT_TRUE(dialog->CurrentMenuState().logShown);
    SearchAndSelect(0);
    WriteAndWait();
    dialog->OnMenu(MenuItem::showLog);
    EXPECT_FALSE(controls[ControlId::log].visible);

    controls.chosenSaveFile = "/tmp/trace.txt";
    dialog->OnMenu(MenuItem::saveLog);
    EXPECT_EQ(savedPath, "/tmp/trace.txt");
    EXPECT_EQ(savedText, controls[ControlId::log].text);
    EXPECT_NE(savedText.find("socket :ok\r\n"), std::string::npos);

    // While an upload runs, the menu is closed and a choice that slips in does nothing.
    holdUpload = true;
    controls[ControlId::deviceList].selected = 0;
    dialog->OnWrite();
    EXPECT_FALSE(dialog->CurrentMenuState().enabled);
    dialog->OnMenu(MenuItem::showLog);
    EXPECT_FALSE(controls[ControlId::log].visible);
    holdUpload = false;
    ASSERT_TRUE(controls.PumpUntil(*dialog, [&] { return controls.runningTimers.empty(); }));
    EXPECT_TRUE(dialog->CurrentMenuState().enabled);
}

TEST_F(WriterDialogTest, WriteWithoutASelectedDeviceAsksForOne) {
    Start();
    controls[ControlId::log].text = "earlier trace";
    dialog->OnWrite();
    EXPECT_EQ(controls.messages, std::vector<std::string>{"デバイスを選択してください"});
    EXPECT_EQ(controls.fileDialogs, 0);
    EXPECT_EQ(controls[ControlId::log].text, "earlier trace");
    EXPECT_EQ(controls.timerStarts, 0);
    EXPECT_TRUE(uploadRequests.empty());
}

TEST_F(WriterDialogTest, CancelledFileDialogStartsNothingAndKeepsTheLog) {
    Start();
    SearchAndSelect(1);
    dialog->OnWrite();
    EXPECT_EQ(controls.fileDialogs, 1);
    EXPECT_EQ(controls.lastFileRequest.defaultExtension, "bin");
    EXPECT_EQ(controls.lastFileRequest.filter, "Firmware file (*.bin)|*.bin|all files(*.*)|*.*||");
    EXPECT_TRUE(controls.lastFileRequest.fileMustExist);
    EXPECT_EQ(controls[ControlId::log].text, dialog->logText());
    EXPECT_FALSE(dialog->logText().empty());
    EXPECT_TRUE(controls.messages.empty());
    EXPECT_EQ(controls.timerStarts, 0);
    EXPECT_TRUE(controls[ControlId::write].enabled);
}

TEST_F(WriterDialogTest, RefusedConfirmationKeepsThePathAndStartsNothing) {
    Start();
    SearchAndSelect(1);
    controls.chosenFile = "/firmware/tavro-2.bin";
    controls.answers = {MessageAnswer::cancel};
    dialog->OnWrite();
    EXPECT_EQ(controls.messages,
              std::vector<std::string>{"/firmware/tavro-2.bin を書き込みます。"});
    EXPECT_EQ(controls.messageButtons.back(), MessageButtons::okCancel);
    EXPECT_EQ(dialog->firmwarePath(), "/firmware/tavro-2.bin");
    EXPECT_EQ(controls.timerStarts, 0);
    EXPECT_FALSE(dialog->uploadBusy());
    EXPECT_TRUE(uploadRequests.empty());
}

TEST_F(WriterDialogTest, AJobRunsInTheUploadingLayoutOnAWorker) {
    Start();
    SearchAndSelect(1);
    holdUpload = true;
    controls.chosenFile = "/firmware/tavro-2.bin";
    dialog->OnWrite();

    EXPECT_TRUE(dialog->uploadBusy());
    EXPECT_FALSE(dialog->CanClose());
    EXPECT_EQ(controls.runningTimers, std::set<int>{0});
    for (ControlId id :
         {ControlId::interfaceList, ControlId::search, ControlId::deviceList, ControlId::write}) {
        EXPECT_FALSE(controls[id].enabled);
    }
    EXPECT_TRUE(controls[ControlId::progress].visible);
    EXPECT_FALSE(controls[ControlId::version].visible);

    // Ticks while the worker runs change nothing.
    ASSERT_TRUE(controls.PumpUntil(*dialog, [&] { return controls.progressPosition == 50; }));
    dialog->OnTimer(0);
    EXPECT_TRUE(controls.messages.size() == 1);  // only the confirmation so far
    EXPECT_EQ(controls.runningTimers, std::set<int>{0});

    holdUpload = false;
    ASSERT_TRUE(controls.PumpUntil(*dialog, [&] { return controls.runningTimers.empty(); }));
    EXPECT_TRUE(ranOffUiThread);
    EXPECT_FALSE(controls.callOffUiThread);
    ASSERT_EQ(uploadRequests.size(), 1u);
    EXPECT_EQ(uploadRequests[0].deviceAddress.ToString(), "198.18.0.21");
    EXPECT_EQ(uploadRequests[0].localAddress.ToString(), "198.18.0.1");
    EXPECT_EQ(uploadRequests[0].devicePort, 3232);
    EXPECT_EQ(uploadRequests[0].password, "VESPERDUN");
    EXPECT_EQ(uploadRequests[0].firmwarePath, "/firmware/tavro-2.bin");
    // The worker's trace arrived on the UI thread, in order, after the trace before it.
    EXPECT_TRUE(controls[ControlId::log].text.ends_with("\r\nsocket :ok\r\n"));
    EXPECT_TRUE(dialog->CanClose());
}

TEST_F(WriterDialogTest, SuccessRemovesTheWrittenDeviceFromTheList) {
    Start();
    SearchAndSelect(1);
    WriteAndWait();

    EXPECT_EQ(controls.messages.back(), "正常終了");
    EXPECT_EQ(controls.messages.size(), 2u);  // the confirmation and one outcome
    EXPECT_EQ(controls[ControlId::deviceList].lines,
              (std::vector<std::string>{"198.18.0.20 / 02-00-5E-0A-0B-0C / ver. 1.05",
                                        "198.18.0.22 / 02-00-5E-0A-0B-0E / ver. 1.00"}));
    EXPECT_EQ(controls[ControlId::deviceList].selected, -1);
    EXPECT_STREQ(dialog->deviceTable().rows[1].addressText, "198.18.0.22");
    ExpectIdleLayout();

    // A later Write on line 1 goes to the device that moved up.
    controls[ControlId::deviceList].selected = 1;
    WriteAndWait();
    EXPECT_EQ(uploadRequests.back().deviceAddress.ToString(), "198.18.0.22");
}

TEST_F(WriterDialogTest, TheConfirmationNamesTheDeviceAndTheFileSize) {
    Start();
    SearchAndSelect(1);
    controls.chosenFile = "/firmware/tavro-2.bin";
    controls.answers = {MessageAnswer::cancel};
    dialog->OnWrite();
    ASSERT_EQ(controls.messages.size(), 1u);
    EXPECT_EQ(controls.messages[0], "/firmware/tavro-2.bin を書き込みます。");
    const std::string& detail = controls.messageDetails[0];
    EXPECT_NE(detail.find("198.18.0.21 / 02-00-5E-0A-0B-0D / ver. 0.91"), std::string::npos);
    EXPECT_NE(detail.find("4096"), std::string::npos) << detail;
}

TEST_F(WriterDialogTest, AnOutcomeBoxTellsTheCauseOrWhatWasWritten) {
    struct Case {
        upload::UploadResult result;
        upload::UploadCause cause;
        std::string outcome;
    };
    const std::vector<Case> cases = {
        {1, upload::UploadCause::PasswordRefused, "TAVRO通信エラー"},
        {1, upload::UploadCause::NoAnswer, "TAVRO通信エラー"},
        {10060, upload::UploadCause::NoConnectBack, "ネットワークエラー:10060"},
    };
    Start();
    SearchAndSelect(2);
    for (const Case& c : cases) {
        uploadResult = c.result;
        uploadReport.cause = c.cause;
        uploadReport.deviceAnswer = "FAIL\x1b";
        WriteAndWait();
        EXPECT_EQ(controls.messages.back(), c.outcome);
        const std::string& cause = controls.messageDetails.back();
        EXPECT_NE(cause.find("198.18.0.22"), std::string::npos) << cause;
        EXPECT_EQ(cause.find('\x1b'), std::string::npos) << cause;  // a device's bytes, escaped
    }
    uploadResult = upload::kUploadSucceeded;
    uploadReport = {};
    uploadReport.bytesTotal = 102400;
    WriteAndWait();
    EXPECT_EQ(controls.messages.back(), "正常終了");
    EXPECT_NE(controls.messageDetails.back().find("198.18.0.22"), std::string::npos);
    EXPECT_NE(controls.messageDetails.back().find("102400"), std::string::npos);
}

TEST_F(WriterDialogTest, EachOutcomeHasItsMessageAndAFailureKeepsTheDevice) {
    const std::vector<std::pair<upload::UploadResult, std::string>> outcomes = {
        {1, "TAVRO通信エラー"},
        {2, "ファームウェアファイルエラー"},
        {3, "内部エラー"},
        {4, "ネットワークエラー:4"},
        {10060, "ネットワークエラー:10060"},
        {-1, "ネットワークエラー:-1"},
    };
    Start();
    SearchAndSelect(2);
    for (const auto& [result, text] : outcomes) {
        uploadResult = result;
        controls.messages.clear();
        WriteAndWait();
        EXPECT_EQ(controls.messages,
                  (std::vector<std::string>{"/firmware/tavro-2.bin を書き込みます。", text}));
        EXPECT_EQ(controls[ControlId::deviceList].lines.size(), 3u);
        EXPECT_EQ(controls[ControlId::deviceList].selected, 2);
        ExpectIdleLayout();
    }
}

TEST_F(WriterDialogTest, TimerTicksOfAnyIdEndTheJobOnce) {
    Start();
    SearchAndSelect(0);
    uploadResult = 1;
    controls.chosenFile = "/firmware/tavro-2.bin";
    dialog->OnWrite();
    ASSERT_TRUE(controls.PumpUntil(
        *dialog, [&] { return !dialog->uploadBusy(); }, 10s, false));
    dialog->OnTimer(7);
    EXPECT_TRUE(controls.runningTimers.empty());
    EXPECT_EQ(controls.messages.back(), "TAVRO通信エラー");

    // A tick that was already on its way when the timer stopped reports nothing again.
    dialog->OnTimer(0);
    EXPECT_EQ(controls.messages.size(), 2u);
    EXPECT_EQ(controls[ControlId::deviceList].selected, 0);
}

TEST_F(WriterDialogTest, AWorkerThatCannotStartIsReportedAsAnInternalError) {
    services.startWorker = [](std::function<void()>) { return false; };
    Start();
    SearchAndSelect(0);
    WriteAndWait();
    EXPECT_EQ(controls.messages.back(), "内部エラー");
    EXPECT_TRUE(uploadRequests.empty());
    EXPECT_EQ(controls[ControlId::deviceList].lines.size(), 3u);
    ExpectIdleLayout();
}

}  // namespace
}  // namespace tavro::ui::test
