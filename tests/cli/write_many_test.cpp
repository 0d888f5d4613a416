// write to several devices, --all, --json, --verify, interfaces by name and search on every
// interface, against made-up services: no traffic, every rule of the output checked.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>
#include <tuple>

#include "cli/commands.h"
#include "cli/console/display_width.h"
#include "json_lines.h"
#include "made_up_network.h"
#include "made_up_sightings.h"
#include "net/socket_error.h"
#include "text_checks.h"
#include "upload/connect_back_listener.h"

namespace tavro::cli {
namespace {

// The summary with each "  12.3 s  " column (spaces, seconds, " s", two spaces) put as " | ".
std::string WithoutSeconds(const std::string& summary) {
    std::string out;
    std::size_t at = 0;
    while (at < summary.size()) {
        const std::size_t unit = summary.find(" s  ", at);
        if (unit == std::string::npos) break;
        std::size_t start = unit;
        while (start > at && (std::isdigit(static_cast<unsigned char>(summary[start - 1])) ||
                              summary[start - 1] == '.')) {
            --start;
        }
        while (start > at && summary[start - 1] == ' ') --start;
        out.append(summary, at, start - at).append(" | ");
        at = unit + 4;
    }
    return out.append(summary, at);
}

using test::JsonObject;
using test::JsonValue;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::UnorderedElementsAre;

constexpr const char* kA = "198.18.0.20";
constexpr const char* kB = "198.18.0.21";
constexpr const char* kC = "198.18.0.22";

class WriteManyTest : public ::testing::Test {
protected:
    WriteManyTest() {
        facts = test::MadeUpFacts({{4, "veth", "tv0", {"198.18.0.1"}},
                                   {7, "veth", "tv1", {"198.18.0.129", "198.18.0.130"}}});
        services.readInterfaceFacts = [this] { return facts; };
        services.discoverDevices = [this](discovery::DeviceTable& table, net::Ipv4Address address) {
            const std::string local = address.ToString();
            std::lock_guard lock(mutex);
            searches.push_back(local);
            const std::vector<discovery::DeviceRecord>& rows = listed[local];
            for (std::size_t i = 0; i < rows.size(); ++i) table.rows[i] = rows[i];
            return discovery::SearchOutcome(static_cast<int>(rows.size()));
        };
        // The write's own search sees what a device list search of the moment lists, each
        // reply with a version that reads.
        services.searchEveryDevice = [this](net::Ipv4Address address) {
            auto table = std::make_unique<discovery::DeviceTable>();
            const int count = services.discoverDevices(*table, address).count;
            discovery::Sightings sightings;
            if (count < 0) sightings.error = -1;
            for (int i = 0; i < count; ++i) {
                sightings.replies.push_back(
                    {.row = table->rows[i],
                     .version = {.fate = discovery::VersionFate::Answered,
                                 .strictVersion = table->rows[i].sketchVersion,
                                 .localError = 0},
                     .listed = true});
            }
            return sightings;
        };
        services.queryVersionOf = [](net::Ipv4Address, net::Ipv4Address) {
            return discovery::VersionFinding();
        };
        services.runUpload = [this](const upload::UploadRequest& request, upload::UploadSink& sink,
                                    const upload::UploadTimeouts&) {
            {
                std::lock_guard lock(mutex);
                uploads.push_back(request);
            }
            const int now = ++running;
            for (int seen = mostAtOnce;
                 now > seen && !mostAtOnce.compare_exchange_weak(seen, now);) {
            }
            upload::UploadReport report;
            if (const auto play = plays.find(request.deviceAddress.ToString());
                play != plays.end()) {
                report = play->second(sink);
            } else {
                std::error_code missing;
                const auto size = std::filesystem::file_size(request.firmwarePath, missing);
                report.bytesTotal = missing ? 2048 : static_cast<std::int64_t>(size);
                report.bytesAcknowledged = report.bytesTotal;
                report.localPort = 40123;
                sink.AppendText("getsockname :ok: localPort = 40123\r\n");
                sink.InvitationSent(1, 10);
                sink.SetProgress(50);
                sink.BytesAcknowledged(report.bytesTotal / 2, report.bytesTotal);
                sink.SetProgress(100);
                sink.BytesAcknowledged(report.bytesTotal, report.bytesTotal);
            }
            report.device = request.deviceAddress;
            report.localAddress = request.localAddress;
            --running;
            return report;
        };
        services.stderrIsTerminal = [] { return false; };
        services.comebackInterval = std::chrono::milliseconds(10);
        // The outcomes in the dialog's words, the rest in the locale's language.
        environment["LANG"] = "ja_JP.UTF-8";
        services.environment = [this](std::string_view name) -> std::optional<std::string> {
            const auto found = environment.find(std::string(name));
            if (found == environment.end()) return std::nullopt;
            return found->second;
        };
    }

    int Run(std::vector<const char*> arguments) {
        arguments.insert(arguments.begin(), "tavro-writer-cli");
        out.str("");
        err.str("");
        services.job = std::make_shared<JobState>();
        return RunCli(static_cast<int>(arguments.size()), arguments.data(), services, out, err);
    }

    std::vector<JsonObject> JsonLines() {
        auto objects = test::ReadJsonLines(out.str());
        EXPECT_TRUE(objects.has_value()) << "not one JSON object per line:\n" << out.str();
        return objects.value_or(std::vector<JsonObject>{});
    }

    // The object of one device; fails the test when there is not exactly one.
    JsonObject ReportOf(const std::vector<JsonObject>& objects, const std::string& device) {
        std::vector<JsonObject> found;
        for (const JsonObject& object : objects) {
            if (object.count("device") && object.at("device").text == device)
                found.push_back(object);
        }
        EXPECT_EQ(found.size(), 1u) << device << " in\n" << out.str();
        return found.empty() ? JsonObject{} : found.front();
    }

    interfaces::InterfaceFacts facts;
    CliServices services;
    std::mutex mutex;
    std::map<std::string, std::vector<discovery::DeviceRecord>> listed;
    std::vector<std::string> searches;
    std::vector<upload::UploadRequest> uploads;
    std::map<std::string, std::string> environment;
    std::map<std::string, std::function<upload::UploadReport(upload::UploadSink&)>> plays;
    std::atomic<int> running{0};
    std::atomic<int> mostAtOnce{0};
    std::ostringstream out;
    std::ostringstream err;
};

upload::UploadReport Ended(upload::UploadResult result,
                           upload::UploadCause cause = upload::UploadCause::None) {
    upload::UploadReport report;
    report.result = result;
    report.cause = cause;
    return report;
}

upload::UploadReport Refused(upload::UploadSink& sink) {
    for (int i = 0; i < 10; ++i) sink.AppendText("recvfrom: no-recv.\r\n");
    sink.AppendText("no-recv error.\r\n");
    upload::UploadReport report = Ended(upload::kUploadRefused, upload::UploadCause::NoAnswer);
    report.tries = 10;
    return report;
}

TEST_F(WriteManyTest, EveryDeviceIsWrittenAndTheSummaryFollowsTheArgumentOrder) {
    environment["LC_ALL"] = "C";
    plays[kB] = Refused;
    EXPECT_EQ(Run({"write", kA, kB, kC, "/tmp/f.bin"}), 1);
    ASSERT_EQ(uploads.size(), 3u);
    std::vector<std::string> written;
    for (const upload::UploadRequest& request : uploads) {
        written.push_back(request.deviceAddress.ToString());
        EXPECT_EQ(request.firmwarePath, std::filesystem::absolute("/tmp/f.bin").string());
        EXPECT_EQ(request.localAddress.ToString(), "198.18.0.1");
    }
    EXPECT_THAT(written, UnorderedElementsAre(kA, kB, kC));
    // The seconds vary; everything else is fixed.
    EXPECT_EQ(WithoutSeconds(out.str()),
              "198.18.0.20 | Completed normally\n"
              "198.18.0.21 | TAVRO communication error\n"
              "    198.18.0.21 did not answer the invitation after 10 tries\n"
              "198.18.0.22 | Completed normally\n");
    EXPECT_EQ(err.str(), "") << "nothing but the result without a terminal";
}

TEST_F(WriteManyTest, ExitStatusIsThatOfTheFirstFailedDeviceInArgumentOrder) {
    plays[kB] = [](upload::UploadSink&) {
        return Ended(10060, upload::UploadCause::NoConnectBack);
    };
    plays[kC] = [](upload::UploadSink&) {
        // Ends first, yet comes later on the command line.
        return Ended(upload::kUploadFileError, upload::UploadCause::FileUnusable);
    };
    EXPECT_EQ(Run({"write", kA, kB, kC, "/tmp/f.bin"}), 4);
    EXPECT_EQ(Run({"write", kC, kB, kA, "/tmp/f.bin"}), 2);
    EXPECT_EQ(Run({"write", kA, "/tmp/f.bin"}), 0);
}

TEST_F(WriteManyTest, NoMoreThanJobsDevicesAreWrittenAtOnce) {
    plays[kA] = plays[kB] = plays[kC] = [](upload::UploadSink& sink) {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        sink.SetProgress(100);
        return Ended(upload::kUploadSucceeded);
    };
    EXPECT_EQ(Run({"write", "--jobs", "2", kA, kB, kC, "198.18.0.23", "198.18.0.24", "/tmp/f.bin"}),
              0);
    EXPECT_EQ(uploads.size(), 5u);
    EXPECT_LE(mostAtOnce.load(), 2);

    mostAtOnce = 0;
    EXPECT_EQ(Run({"write", "-j", "1", kA, kB, kC, "/tmp/f.bin"}), 0);
    EXPECT_EQ(mostAtOnce.load(), 1);
}

TEST_F(WriteManyTest, ArgumentFormsThatAreRefused) {
    EXPECT_EQ(Run({"write", "/tmp/f.bin"}), 64);
    EXPECT_THAT(err.str(), HasSubstr("name at least one DEVICE before FILE, or use --all"));
    EXPECT_EQ(Run({"write", "--all", kA, "/tmp/f.bin"}), 64);
    EXPECT_THAT(err.str(), HasSubstr("name no DEVICE beside it"));
    EXPECT_EQ(Run({"write", kA, kB, kA, "/tmp/f.bin"}), 64);
    EXPECT_THAT(err.str(), HasSubstr("198.18.0.20 is named twice"));
    EXPECT_EQ(Run({"write", kA, "198.18.0.300", "/tmp/f.bin"}), 64);
    EXPECT_EQ(Run({"write", "--jobs", "0", kA, "/tmp/f.bin"}), 64);
    EXPECT_EQ(Run({"write", "--verify-timeout", "-1", kA, "/tmp/f.bin"}), 64);
    EXPECT_EQ(Run({"write", "--all"}), 64);
    EXPECT_TRUE(uploads.empty()) << "an upload started from a refused command line";
}

TEST_F(WriteManyTest, AllWritesEveryDeviceTheSearchLists) {
    listed["198.18.0.129"] = {test::MadeUpDevice(kB, 0x21, 105), test::MadeUpDevice(kC, 0x22, 105)};
    EXPECT_EQ(Run({"write", "--all", "--interface", "tv1", "/tmp/f.bin"}), 0);
    EXPECT_THAT(searches, ElementsAre("198.18.0.129"));
    std::vector<std::string> written;
    for (const upload::UploadRequest& request : uploads) {
        written.push_back(request.deviceAddress.ToString());
        EXPECT_EQ(request.localAddress.ToString(), "198.18.0.129");
    }
    EXPECT_THAT(written, UnorderedElementsAre(kB, kC));

    uploads.clear();
    EXPECT_EQ(Run({"write", "--all", "/tmp/f.bin"}), 1);
    EXPECT_EQ(err.str(), "tavro-writer-cli: no device answered the search from 198.18.0.1\n");
    EXPECT_TRUE(uploads.empty());
}

TEST_F(WriteManyTest, AllPassesOverAnswersFromAddressesNoDeviceHas) {
    listed["198.18.0.129"] = {test::MadeUpDevice("198.18.0.255", 0x21, 105),
                              test::MadeUpDevice("198.18.0.129", 0x22, 105),
                              test::MadeUpDevice("127.0.0.1", 0x23, 105),
                              test::MadeUpDevice(kB, 0x24, 105)};
    EXPECT_EQ(Run({"write", "--all", "--interface", "tv1", "/tmp/f.bin"}), 0) << err.str();
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_EQ(uploads[0].deviceAddress.ToString(), kB);
}

// One reply to the write's search, its version read.
discovery::Sighting Sighted(const char* address, std::uint8_t lastMacByte) {
    return {.row = test::MadeUpDevice(address, lastMacByte, 105),
            .version = {.fate = discovery::VersionFate::Answered,
                        .strictVersion = 105,
                        .localError = 0},
            .listed = true};
}

TEST_F(WriteManyTest, AllWritesInAddressOrderSoTheOrderOfAnswersDoesNotDecideTheStatus) {
    const char* d = "198.18.0.100";
    plays[kA] = [](upload::UploadSink&) {
        return Ended(10060, upload::UploadCause::NoConnectBack);
    };
    plays[kB] = [](upload::UploadSink&) {
        return Ended(upload::kUploadFileError, upload::UploadCause::FileUnusable);
    };
    plays[kC] = Refused;
    plays[d] = [](upload::UploadSink&) {
        return Ended(upload::kUploadInternalError, upload::UploadCause::DigestFailed);
    };
    std::vector<discovery::Sighting> replies = {Sighted(d, 4), Sighted(kC, 3), Sighted(kB, 2),
                                                Sighted(kA, 1)};
    services.searchEveryDevice = [&](net::Ipv4Address) {
        discovery::Sightings sightings;
        sightings.replies = replies;
        return sightings;
    };
    for (int turn = 0; turn < 4; ++turn) {
        EXPECT_EQ(Run({"write", "--all", "--json", "/tmp/f.bin"}), 4) << "answers turned " << turn;
        EXPECT_EQ(JsonLines().size(), 4u);
        std::rotate(replies.begin(), replies.begin() + 1, replies.end());
    }
}

TEST_F(WriteManyTest, AnAddressTwoDevicesAnswerAtIsNotWrittenAndNamedEvenWithJson) {
    services.searchEveryDevice = [](net::Ipv4Address) {
        discovery::Sightings sightings;
        sightings.replies = {Sighted(kA, 0x0A), Sighted(kB, 0x0B), Sighted(kA, 0x0C)};
        return sightings;
    };
    EXPECT_EQ(Run({"write", "--all", "--json", "/tmp/f.bin"}), 1);
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_EQ(uploads[0].deviceAddress.ToString(), kB);
    const std::vector<JsonObject> objects = JsonLines();
    ASSERT_EQ(objects.size(), 2u);
    const JsonObject a = ReportOf(objects, kA);
    EXPECT_EQ(a.at("outcome").text, "address-conflict");
    EXPECT_EQ(a.at("causeCode").text, "address-conflict");
    EXPECT_EQ(a.at("status").text, "1");
    EXPECT_EQ(a.at("mac").kind, JsonValue::Kind::Null);
    EXPECT_EQ(ReportOf(objects, kB).at("mac").text, "02:00:5e:0a:0b:0b");
    EXPECT_THAT(err.str(), HasSubstr(kA));
    EXPECT_THAT(err.str(), HasSubstr("02:00:5e:0a:0b:0a"));
    EXPECT_THAT(err.str(), HasSubstr("02:00:5e:0a:0b:0c"));
    EXPECT_THAT(err.str(), Not(HasSubstr(kB)));

    // Named, with --verify, the search before the write tells the same.
    uploads.clear();
    EXPECT_EQ(Run({"write", "--verify", "--verify-timeout", "0.3", kA, "/tmp/f.bin"}), 1);
    EXPECT_TRUE(uploads.empty());
    EXPECT_THAT(err.str(), HasSubstr("02:00:5e:0a:0b:0c"));
    EXPECT_THAT(out.str(), Not(HasSubstr("正常終了")));
}

TEST_F(WriteManyTest, ASearchStoppedAtItsBoundIsAnnouncedInAFinalRecordAndTheExitStatus) {
    services.searchEveryDevice = [](net::Ipv4Address) {
        discovery::Sightings sightings;
        sightings.replies = {Sighted(kA, 1), Sighted(kB, 2), Sighted(kB, 2)};
        sightings.endedAtBound = true;
        return sightings;
    };
    EXPECT_EQ(Run({"write", "--all", "--json", "/tmp/f.bin"}), 1);
    EXPECT_EQ(uploads.size(), 2u);
    EXPECT_THAT(err.str(), HasSubstr("bound"));
    const std::vector<JsonObject> objects = JsonLines();
    ASSERT_EQ(objects.size(), 3u);
    EXPECT_EQ(ReportOf(objects, kA).at("outcome").text, "ok");
    const JsonObject& last = objects.back();
    EXPECT_EQ(last.at("record").text, "bound");
    EXPECT_EQ(last.at("causeCode").text, "search-bound");
    EXPECT_EQ(last.at("replies").text, "3");
    EXPECT_EQ(last.at("listed").text, "2");
    EXPECT_FALSE(last.count("device")) << "no device record in another shape";

    EXPECT_EQ(Run({"write", "--all", "/tmp/f.bin"}), 1);
    EXPECT_THAT(err.str(), HasSubstr("bound"));
}

TEST_F(WriteManyTest, AFailedSearchIsAnErrorAndWritesNothing) {
    services.searchEveryDevice = [](net::Ipv4Address) {
        discovery::Sightings sightings;
        sightings.error = 10024;
        return sightings;
    };
    EXPECT_EQ(Run({"write", "--all", "/tmp/f.bin"}), 1);
    EXPECT_THAT(err.str(), HasSubstr("failed"));
    EXPECT_THAT(err.str(), Not(HasSubstr("no device answered")));
    EXPECT_EQ(Run({"write", "--verify", kA, "/tmp/f.bin"}), 1);
    EXPECT_TRUE(uploads.empty());
}

TEST_F(WriteManyTest, AnInterruptDuringTheSearchBeforeTheWriteGivesEveryNamedDeviceItsRecord) {
    std::optional<std::string> notice;
    // The stop ends the process; here the run goes on, so only the first search is stopped.
    services.searchEveryDevice = [&](net::Ipv4Address) {
        if (!notice) notice = services.job->Interrupt(std::chrono::seconds(1), 143);
        return discovery::Sightings{};
    };
    Run({"write", "--json", "--verify", "--verify-timeout", "0.2", kA, kB, "/tmp/f.bin"});
    ASSERT_TRUE(notice.has_value());
    EXPECT_THAT(*notice, HasSubstr("search"));
    const std::vector<JsonObject> objects = JsonLines();
    ASSERT_EQ(objects.size(), 2u) << "each device has exactly one line";
    for (const char* device : {kA, kB}) {
        const JsonObject object = ReportOf(objects, device);
        EXPECT_EQ(object.at("outcome").text, "interrupted");
        EXPECT_EQ(object.at("status").text, "143");
        EXPECT_EQ(object.at("bytesSent").text, "0");
        EXPECT_EQ(object.at("verified").text, "false");
    }
}

TEST_F(WriteManyTest, JsonHasOneObjectPerDeviceWithFieldsOfFixedTypes) {
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("tavro-write-many-" + std::to_string(::getpid()) + ".bin"))
                                 .string();
    std::ofstream(path, std::ios::binary) << std::string(1500, 'x');
    plays[kB] = Refused;
    plays[kC] = [](upload::UploadSink& sink) {
        sink.SetProgress(68);  // one block of 1024 acknowledged, then a final word of its own
        upload::UploadReport report =
            Ended(upload::kUploadRefused, upload::UploadCause::BadFinalWord);
        report.localPort = 51000;
        report.bytesAcknowledged = 1024;
        report.bytesTotal = 1500;
        report.finalWord = "N\x1b[2JG";
        return report;
    };
    services.stderrIsTerminal = [] { return true; };
    EXPECT_EQ(Run({"write", "--json", kA, kB, kC, path.c_str()}), 1);
    std::remove(path.c_str());
    EXPECT_EQ(err.str(), "") << "no progress display with --json";

    const std::vector<JsonObject> objects = JsonLines();
    ASSERT_EQ(objects.size(), 3u);
    using Kind = JsonValue::Kind;
    // No search ran: the hardware address and version before the write are not known.
    const std::map<std::string, Kind> shape = {{"device", Kind::String},
                                               {"status", Kind::Number},
                                               {"result", Kind::Number},
                                               {"outcome", Kind::String},
                                               {"cause", Kind::String},
                                               {"causeCode", Kind::String},
                                               {"bytesSent", Kind::Number},
                                               {"seconds", Kind::Number},
                                               {"uploadSeconds", Kind::Number},
                                               {"verifySeconds", Kind::Number},
                                               {"localPort", Kind::Number},
                                               {"file", Kind::Object},
                                               {"mac", Kind::Null},
                                               {"versionBefore", Kind::Null}};
    for (const JsonObject& object : objects) {
        ASSERT_EQ(object.size(), shape.size()) << out.str();
        for (const auto& [field, kind] : shape) {
            ASSERT_TRUE(object.count(field)) << field;
            EXPECT_EQ(object.at(field).kind, kind) << field;
        }
    }
    const JsonObject a = ReportOf(objects, kA);
    EXPECT_EQ(a.at("outcome").text, "ok");
    EXPECT_EQ(a.at("status").text, "0");
    EXPECT_EQ(a.at("result").text, "0");
    EXPECT_EQ(a.at("cause").text, "");
    EXPECT_EQ(a.at("bytesSent").text, "1500");
    EXPECT_EQ(a.at("localPort").text, "40123");
    const JsonObject b = ReportOf(objects, kB);
    EXPECT_EQ(b.at("outcome").text, "no-answer");
    EXPECT_EQ(b.at("status").text, "1");
    EXPECT_EQ(b.at("bytesSent").text, "0");
    EXPECT_EQ(b.at("localPort").text, "0");
    EXPECT_EQ(b.at("cause").text, "198.18.0.21 は 10 回の書き込み依頼に一度も応答しませんでした");
    EXPECT_EQ(b.at("causeCode").text, "no-answer");
    const auto file = test::ReadJsonObject(b.at("file"));
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(file->at("path").kind, Kind::String);
    const JsonObject c = ReportOf(objects, kC);
    EXPECT_EQ(c.at("outcome").text, "bad-answer");
    EXPECT_EQ(c.at("bytesSent").text, "1024");
    EXPECT_EQ(c.at("localPort").text, "51000");
    // The device's words reach JSON as they came, escaped by JSON alone.
    EXPECT_THAT(c.at("cause").text, HasSubstr("\"N\x1b[2JG\""));
    EXPECT_THAT(out.str(), HasSubstr("\\u001b[2JG"));
}

TEST_F(WriteManyTest, CausesInTheLocalesLanguageAndTheOutcomeKeyFromTheCause) {
    environment["LC_ALL"] = "C";
    plays[kA] = [](upload::UploadSink&) {
        upload::UploadReport report = Ended(upload::kUploadRefused, upload::UploadCause::BadAnswer);
        report.deviceAnswer = "NG";
        return report;
    };
    plays[kB] = [](upload::UploadSink&) {
        upload::UploadReport report = Ended(10060, upload::UploadCause::NoConnectBack);
        report.localAddress = net::Ipv4Address::FromOctets(198, 18, 0, 1);
        report.localPort = 40125;
        report.localPortChosen = true;
        report.bound = std::chrono::seconds(2);
        return report;
    };
    EXPECT_EQ(Run({"write", "--json", kA, kB, "/tmp/f.bin"}), 1);
    const std::vector<JsonObject> objects = JsonLines();
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(ReportOf(objects, kA).at("outcome").text, "bad-answer");
    EXPECT_EQ(ReportOf(objects, kA).at("cause").text,
              "198.18.0.20 answered the invitation with \"NG\"");
    EXPECT_EQ(ReportOf(objects, kB).at("outcome").text, "network-error");
    EXPECT_EQ(ReportOf(objects, kB).at("cause").text,
              "198.18.0.21 did not connect back within 2 s to 198.18.0.1:40125; if a firewall "
              "guards this computer, let incoming TCP connections to port 40125 through");
    EXPECT_EQ(ReportOf(objects, kB).at("localPort").text, "40125");
}

// The devices of a batch share what they must: one listener for a fixed port, with room for
// all of them to connect at once, and one image, measured once.
TEST_F(WriteManyTest, AFixedPortIsOneListenerAndTheFileOneImageForEveryDeviceOfTheBatch) {
    int opened = 0;
    int measured = 0;
    services.measureFirmware = [&](const std::string&, LogSink&, upload::FirmwareImage& image,
                                   upload::UploadReport&) {
        ++measured;
        image = {.length = 3, .digestHex = "d41d8cd98f00b204e9800998ecf8427e"};
        return upload::kUploadSucceeded;
    };
    services.openConnectBackListener = [&](net::Ipv4Address local, std::uint16_t port, int backlog,
                                           LogSink&, upload::UploadReport&) {
        ++opened;
        EXPECT_EQ(local.ToString(), "198.18.0.1");
        EXPECT_EQ(port, 40127);
        EXPECT_GE(backlog, 64);
        return std::make_shared<upload::ConnectBackListener>(net::Socket{},
                                                             net::Endpoint{local, port});
    };
    EXPECT_EQ(Run({"write", "--local-port", "40127", kA, kB, kC, "/tmp/f.bin"}), 0);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(measured, 1);
    ASSERT_EQ(uploads.size(), 3u);
    for (const upload::UploadRequest& request : uploads) {
        EXPECT_NE(request.sharedListener, nullptr);
        EXPECT_EQ(request.sharedListener, uploads[0].sharedListener);
        ASSERT_TRUE(request.image.has_value());
        EXPECT_EQ(request.image->length, 3);
    }

    // One device alone binds the port itself, as a single write always has.
    uploads.clear();
    EXPECT_EQ(Run({"write", "--local-port", "40127", kA, "/tmp/f.bin"}), 0);
    EXPECT_EQ(opened, 1);
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_EQ(uploads[0].sharedListener, nullptr);
    EXPECT_EQ(uploads[0].localPort, 40127);
}

TEST_F(WriteManyTest, ATakenFixedPortEndsEveryDeviceWithoutAskingAny) {
    environment["LC_ALL"] = "C";
    services.openConnectBackListener = [](net::Ipv4Address local, std::uint16_t port, int, LogSink&,
                                          upload::UploadReport& report) {
        report.result = net::kErrorAddressInUse;
        report.cause = upload::UploadCause::ListenerFailed;
        report.localAddress = local;
        report.localPort = port;
        report.localPortChosen = true;
        return std::shared_ptr<upload::ConnectBackListener>();
    };
    EXPECT_EQ(Run({"write", "--json", "--local-port", "40127", kA, kB, "/tmp/f.bin"}), 4);
    EXPECT_TRUE(uploads.empty()) << "a device was asked without a listener for it";
    const std::vector<JsonObject> objects = JsonLines();
    ASSERT_EQ(objects.size(), 2u);
    for (const char* device : {kA, kB}) {
        const JsonObject object = ReportOf(objects, device);
        EXPECT_EQ(object.at("outcome").text, "network-error");
        EXPECT_EQ(object.at("localPort").text, "40127");
        EXPECT_EQ(object.at("cause").text,
                  "port 198.18.0.1:40127 is already in use; choose another --local-port");
    }
}

TEST_F(WriteManyTest, OutcomeKeysOfEveryResult) {
    const std::vector<std::pair<upload::UploadResult, std::string>> results = {
        {1, "refused"}, {2, "file-error"}, {3, "internal-error"}, {10054, "network-error"}};
    for (const auto& [result, key] : results) {
        plays[kA] = [result](upload::UploadSink&) { return Ended(result); };
        Run({"write", "--json", kA, "/tmp/f.bin"});
        const std::vector<JsonObject> objects = JsonLines();
        ASSERT_EQ(objects.size(), 1u);
        EXPECT_EQ(objects[0].at("outcome").text, key);
        EXPECT_EQ(objects[0].at("result").text, std::to_string(result));
    }
}

TEST_F(WriteManyTest, VerifyReportsTheVersionTheDeviceCameBackWith) {
    // Listed with its old version before the upload, then gone for two searches, then back.
    int searched = 0;
    services.discoverDevices = [&](discovery::DeviceTable& table, net::Ipv4Address) {
        ++searched;
        if (searched == 1) table.rows[0] = test::MadeUpDevice(kA, 0x20, 105);
        if (searched <= 3 && searched != 1) return discovery::SearchOutcome(0);
        if (searched > 3) table.rows[0] = test::MadeUpDevice(kA, 0x20, 120);
        return discovery::SearchOutcome(1);
    };
    EXPECT_EQ(Run({"write", "--verify", "--verify-timeout", "5", kA, "/tmp/f.bin"}), 0);
    EXPECT_EQ(out.str(), "正常終了\n198.18.0.20 はバージョン 1.20 で復帰しました\n");
    EXPECT_GE(searched, 4);

    searched = 0;
    EXPECT_EQ(Run({"write", "--json", "--verify", "--verify-timeout", "5", kA, "/tmp/f.bin"}), 0);
    const std::vector<JsonObject> objects = JsonLines();
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0].at("verified").kind, JsonValue::Kind::Bool);
    EXPECT_EQ(objects[0].at("verified").text, "true");
    EXPECT_EQ(objects[0].at("version").text, "1.20");
}

TEST_F(WriteManyTest, ADeviceThatDoesNotComeBackEndsWithFive) {
    listed["198.18.0.1"] = {};  // never listed again
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Run({"write", "--verify", "--verify-timeout", "0.3", kA, "/tmp/f.bin"}), 5);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(out.str(), "正常終了\n");
    EXPECT_EQ(err.str(), "tavro-writer-cli: 198.18.0.20 は 0.3 秒以内に復帰しませんでした\n");

    EXPECT_EQ(Run({"write", "--json", "--verify", "--verify-timeout", "0.3", kA, "/tmp/f.bin"}), 5);
    const std::vector<JsonObject> objects = JsonLines();
    ASSERT_EQ(objects.size(), 1u);
    // Never "ok": a sheet filtered on the outcome must not count it written and back.
    EXPECT_EQ(objects[0].at("outcome").text, "not-back");
    EXPECT_EQ(objects[0].at("causeCode").text, "not-back");
    EXPECT_NE(objects[0].at("cause").text, "");
    EXPECT_EQ(objects[0].at("status").text, "5");
    EXPECT_EQ(objects[0].at("verified").text, "false");
    EXPECT_EQ(objects[0].at("version").kind, JsonValue::Kind::String);
    EXPECT_EQ(objects[0].at("version").text, "");
}

TEST_F(WriteManyTest, AnotherDeviceOnTheSameAddressIsNotTheOneThatCameBack) {
    // Seen before the write with one hardware address, afterwards only with another.
    int searched = 0;
    services.discoverDevices = [&](discovery::DeviceTable& table, net::Ipv4Address) {
        table.rows[0] = test::MadeUpDevice(kA, ++searched == 1 ? 0x20 : 0x99, 120);
        return discovery::SearchOutcome(1);
    };
    EXPECT_EQ(Run({"write", "--verify", "--verify-timeout", "0.3", kA, "/tmp/f.bin"}), 5);
}

TEST_F(WriteManyTest, VerifyAppliesToEveryDeviceAndAFailedUploadIsNotWaitedFor) {
    plays[kB] = Refused;
    // Listed with version 1.05 before the write; afterwards each is gone until its own wait
    // has asked it twice in vain, then back with its new version.
    int searched = 0;
    std::map<std::string, int> asked;
    services.queryVersionOf = [&](net::Ipv4Address, net::Ipv4Address device) {
        std::lock_guard lock(mutex);
        ++asked[device.ToString()];
        return discovery::VersionFinding();
    };
    services.discoverDevices = [&](discovery::DeviceTable& table, net::Ipv4Address) {
        std::lock_guard lock(mutex);
        const bool before = ++searched == 1;
        int count = 0;
        for (const auto& [address, lastByte, version] :
             {std::tuple{kA, std::uint8_t{0x20}, 120u}, std::tuple{kC, std::uint8_t{0x22}, 121u}}) {
            if (before) {
                table.rows[count++] = test::MadeUpDevice(address, lastByte, 105);
            } else if (asked[address] >= 2) {
                table.rows[count++] = test::MadeUpDevice(address, lastByte, version);
            }
        }
        return discovery::SearchOutcome(count);
    };
    EXPECT_EQ(Run({"write", "--verify", "--verify-timeout", "5", kA, kB, kC, "/tmp/f.bin"}), 1);
    EXPECT_THAT(out.str(), HasSubstr("正常終了、バージョン 1.20 で復帰\n"));
    EXPECT_THAT(out.str(), HasSubstr("正常終了、バージョン 1.21 で復帰\n"));
    EXPECT_THAT(out.str(), HasSubstr("TAVRO通信エラー\n"));
}

TEST_F(WriteManyTest, InterruptGivesEveryUnfinishedDeviceItsJsonLine) {
    std::optional<std::string> notice;
    plays[kA] = [](upload::UploadSink& sink) {
        sink.SetProgress(100);
        return Ended(upload::kUploadSucceeded);
    };
    plays[kB] = [&](upload::UploadSink& sink) {
        // A has ended by now: one device at a time.
        sink.AwaitingConnection(*net::Ipv4Address::ParseDottedQuad("198.18.0.1"), 40999);
        sink.BytesAcknowledged(860, 2048);
        sink.SetProgress(42);
        notice = services.job->Interrupt(std::chrono::seconds(1), 143);
        return Ended(upload::kUploadSucceeded);
    };
    EXPECT_EQ(Run({"write", "--json", "-j", "1", kA, kB, kC, "fw.bin"}), 0);
    ASSERT_TRUE(notice.has_value());
    EXPECT_EQ(*notice,
              "tavro-writer-cli: the write to 198.18.0.20 had ended (ok)\n"
              "tavro-writer-cli: interrupted after 42% of fw.bin was sent to 198.18.0.21\n"
              "tavro-writer-cli: interrupted before the transfer of fw.bin to 198.18.0.22 "
              "started\n");
    const std::vector<JsonObject> objects = JsonLines();
    ASSERT_EQ(objects.size(), 3u) << "each device has exactly one line";
    EXPECT_EQ(ReportOf(objects, kA).at("outcome").text, "ok");
    for (const char* device : {kB, kC}) {
        const JsonObject object = ReportOf(objects, device);
        EXPECT_EQ(object.at("outcome").text, "interrupted");
        EXPECT_EQ(object.at("status").text, "143");
        EXPECT_EQ(object.at("result").text, "-1");
    }
    // How far each one really got.
    EXPECT_EQ(ReportOf(objects, kB).at("bytesSent").text, "860");
    EXPECT_EQ(ReportOf(objects, kB).at("localPort").text, "40999");
    EXPECT_EQ(ReportOf(objects, kC).at("bytesSent").text, "0");
}

TEST_F(WriteManyTest, ATerminalShowsOneLinePerDeviceAndVerboseTracesArePrefixed) {
    services.stderrIsTerminal = [] { return true; };
    services.terminalColumns = [] { return std::size_t{200}; };
    plays[kB] = Refused;
    // Each step outlasts the board's redraw interval, so that every one of them is drawn.
    plays[kA] = [](upload::UploadSink& sink) {
        sink.InvitationSent(1, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        sink.BytesAcknowledged(1024, 2048);
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        return Ended(upload::kUploadSucceeded);
    };
    EXPECT_EQ(Run({"write", kA, kB, "/tmp/f.bin"}), 1);
    EXPECT_THAT(err.str(), HasSubstr("\x1b[2A"));
    EXPECT_THAT(err.str(),
                HasSubstr("\r\x1b[2K198.18.0.20      198.18.0.20 にファームウェアの受け取りを"
                          "依頼しています（10 回中 1 回目）\n"));
    EXPECT_THAT(err.str(),
                HasSubstr("\r\x1b[2K198.18.0.20      [###############               ]  50%  "
                          "1.0/2.0 KiB"));
    EXPECT_THAT(err.str(), HasSubstr("\r\x1b[2K198.18.0.20      正常終了\n"));
    // The board's last line erases what a taller board left below it.
    EXPECT_THAT(err.str(), HasSubstr("198.18.0.21      TAVRO通信エラー\x1b[J\n"));

    plays.erase(kA);
    EXPECT_EQ(Run({"write", "-v", kA, kB, "/tmp/f.bin"}), 1);
    EXPECT_THAT(err.str(), HasSubstr("198.18.0.20: getsockname :ok: localPort = 40123\r\n"));
    EXPECT_THAT(err.str(), HasSubstr("198.18.0.21: no-recv error.\r\n"));
    EXPECT_THAT(err.str(), Not(HasSubstr("\x1b[")));
}

// Every line fits the terminal, counted in display columns (a Japanese character takes two),
// for one device alone and for the board of several: the redrawn ones, and the final ones on
// stdout and stderr (a failed device's cause among them).
TEST_F(WriteManyTest, EveryLineFitsTheTerminalFinalLinesToo) {
    services.stderrIsTerminal = [] { return true; };
    services.stdoutIsTerminal = [] { return true; };
    plays[kB] = Refused;
    plays[kA] = [](upload::UploadSink& sink) {
        sink.InvitationSent(1, 10);
        sink.AwaitingConnection(*net::Ipv4Address::ParseDottedQuad("198.18.0.1"), 40123);
        sink.BytesAcknowledged(1024, 150000);
        sink.BytesAcknowledged(150000, 150000);
        return Ended(upload::kUploadSucceeded);
    };
    for (const std::size_t columns : {40, 80}) {
        for (const char* language : {"ja_JP.UTF-8", "C"}) {
            environment["LANG"] = language;
            services.terminalColumns = [columns] { return columns; };
            for (const std::vector<const char*>& devices :
                 {std::vector<const char*>{kA}, std::vector<const char*>{kA, kB}}) {
                std::vector<const char*> arguments = {"write"};
                arguments.insert(arguments.end(), devices.begin(), devices.end());
                arguments.push_back("/tmp/f.bin");
                Run(arguments);
                // Each piece between a carriage return and the next control is one line's text.
                std::string text = err.str() + out.str();
                for (const char* control : {"\x1b[2K", "\x1b[K", "\x1b[J", "\x1b[2A", "\x1b[1A"}) {
                    for (std::size_t at; (at = text.find(control)) != std::string::npos;) {
                        text.replace(at, std::strlen(control), "\n");
                    }
                }
                std::replace(text.begin(), text.end(), '\r', '\n');
                std::istringstream lines(text);
                for (std::string line; std::getline(lines, line);) {
                    EXPECT_LT(DisplayColumns(line), columns) << columns << " " << line;
                }
            }
        }
    }
}

// The locale says what the terminal reads, and the services whether it redraws.
TEST_F(WriteManyTest, ATerminalGetsOnlyWhatItCanShow) {
    services.stderrIsTerminal = [] { return true; };
    services.stdoutIsTerminal = [] { return true; };
    services.terminalColumns = [] { return std::size_t{20}; };
    const auto ascii = [](const std::string& text) {
        return std::all_of(text.begin(), text.end(),
                           [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    };
    for (const char* locale : {"C", "POSIX", "ja_JP.eucJP"}) {
        environment["LANG"] = locale;
        EXPECT_EQ(Run({"write", kA, kB, "/tmp/f.bin"}), 0);
        EXPECT_THAT(err.str(), HasSubstr("...")) << locale;
        EXPECT_TRUE(ascii(err.str() + out.str())) << locale << "\n" << err.str() << out.str();
    }
    environment["LANG"] = "en_US.UTF-8";
    EXPECT_EQ(Run({"write", kA, kB, "/tmp/f.bin"}), 0);
    EXPECT_THAT(err.str(), HasSubstr("\xE2\x80\xA6"));

    services.stderrTakesCursorMoves = [] { return false; };
    for (const std::vector<const char*>& arguments :
         {std::vector<const char*>{"write", kA, "/tmp/f.bin"},
          std::vector<const char*>{"write", kA, kB, "/tmp/f.bin"}}) {
        EXPECT_EQ(Run(arguments), 0);
        EXPECT_THAT(err.str(), Not(HasSubstr("\x1b"))) << err.str();
        EXPECT_THAT(err.str(), Not(HasSubstr("\r"))) << err.str();
        EXPECT_THAT(err.str(), HasSubstr("\n")) << "progress in whole lines";
    }
}

TEST_F(WriteManyTest, InterfaceByName) {
    EXPECT_EQ(Run({"write", "--interface", "tv1", kA, "/tmp/f.bin"}), 0);
    EXPECT_EQ(uploads.back().localAddress.ToString(), "198.18.0.129");
    EXPECT_EQ(Run({"search", "--interface", "tv0"}), 0);
    EXPECT_EQ(searches.back(), "198.18.0.1");
    EXPECT_EQ(Run({"search", "--interface", "198.18.0.130"}), 0);
    EXPECT_EQ(searches.back(), "198.18.0.130");
    EXPECT_EQ(Run({"search", "--interface", "tv9"}), 1);
    EXPECT_THAT(err.str(),
                HasSubstr("tv9 is neither the address nor the name of a usable interface"));
}

TEST_F(WriteManyTest, SearchOnEveryInterfaceTagsEachDevice) {
    listed["198.18.0.1"] = {test::MadeUpDevice(kA, 0x20, 105)};
    listed["198.18.0.129"] = {test::MadeUpDevice("198.18.0.140", 0x40, 120, 4)};
    EXPECT_EQ(Run({"search", "--all-interfaces"}), 0);
    EXPECT_THAT(searches, UnorderedElementsAre("198.18.0.1", "198.18.0.129"))
        << "each interface once, from its first address";
    EXPECT_EQ(out.str(),
              "198.18.0.20 / 02-00-5E-0A-0B-20 / ver. 1.05  via tv0 (198.18.0.1)\n"
              "198.18.0.140 / 02-00-5E-0A-0B-40 / ver. 1.20  via tv1 (198.18.0.129)\n");

    EXPECT_EQ(Run({"search", "--all-interfaces", "--json"}), 0);
    const auto devices = test::ReadJsonArray(out.str());
    ASSERT_TRUE(devices.has_value()) << out.str();
    ASSERT_EQ(devices->size(), 2u);
    const JsonObject& second = (*devices)[1];
    EXPECT_EQ(second.at("address").text, "198.18.0.140");
    EXPECT_EQ(second.at("ifname").text, "tv1");
    EXPECT_EQ(second.at("localAddress").text, "198.18.0.129");
    EXPECT_EQ(second.at("mac").text, "02:00:5e:0a:0b:40");
    EXPECT_EQ(second.at("version").kind, JsonValue::Kind::String);
    EXPECT_EQ(second.at("version").text, "1.20");
    EXPECT_EQ(second.at("shownVersion").kind, JsonValue::Kind::Number);
    EXPECT_EQ(second.at("sketchVersion").text, "120");

    EXPECT_EQ(Run({"search", "--all-interfaces", "--interface", "tv0"}), 64);
}

TEST_F(WriteManyTest, AFailedSearchOnOneInterfaceStillListsTheOthers) {
    listed["198.18.0.1"] = {test::MadeUpDevice(kA, 0x20, 105)};
    services.discoverDevices = [this](discovery::DeviceTable& table, net::Ipv4Address address) {
        const std::string local = address.ToString();
        if (local != "198.18.0.1") return discovery::SearchOutcome(-1);
        table.rows[0] = listed[local][0];
        return discovery::SearchOutcome(1);
    };
    EXPECT_EQ(Run({"search", "--all-interfaces"}), 1);
    EXPECT_EQ(out.str(), "198.18.0.20 / 02-00-5E-0A-0B-20 / ver. 1.05  via tv0 (198.18.0.1)\n");
    EXPECT_EQ(err.str(), "tavro-writer-cli: the search from 198.18.0.129 on tv1 failed\n");
}

TEST_F(WriteManyTest, InterfacesJsonHasNameAndPrefixLength) {
    EXPECT_EQ(Run({"interfaces", "--json"}), 0);
    const auto records = test::ReadJsonArray(out.str());
    ASSERT_TRUE(records.has_value()) << out.str();
    ASSERT_EQ(records->size(), 3u);
    EXPECT_EQ((*records)[2].at("ifname").text, "tv1");
    EXPECT_EQ((*records)[2].at("prefixlen").kind, JsonValue::Kind::Number);
    EXPECT_EQ((*records)[2].at("prefixlen").text, "24");
}

}  // namespace
}  // namespace tavro::cli
