#include "texts/upload_texts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavro::texts {
namespace {

using upload::FileProblem;
using upload::UploadCause;
using upload::UploadReport;
using namespace std::chrono_literals;

// Marks where foreign text went, so a test sees that it passed through the front end's filter.
std::string Marked(std::string_view text) { return "<" + std::string(text) + ">"; }

UploadReport Report(upload::UploadResult result, UploadCause cause) {
    UploadReport report;
    report.result = result;
    report.cause = cause;
    report.device = net::Ipv4Address::FromOctets(198, 18, 0, 10);
    report.localAddress = net::Ipv4Address::FromOctets(198, 18, 0, 1);
    report.localPort = 40123;
    report.tries = 10;
    report.bytesTotal = 4096;
    report.filePath = "/tmp/f.bin";
    return report;
}

TEST(OutcomeTextTest, JapaneseIsTheDialogsWordsByteForByte) {
    EXPECT_EQ(OutcomeText(0, Language::Japanese),
              "\xe6\xad\xa3\xe5\xb8\xb8\xe7\xb5\x82\xe4\xba\x86");
    EXPECT_EQ(OutcomeText(1, Language::Japanese), "TAVRO通信エラー");
    EXPECT_EQ(OutcomeText(2, Language::Japanese), "ファームウェアファイルエラー");
    EXPECT_EQ(OutcomeText(3, Language::Japanese), "内部エラー");
    EXPECT_EQ(OutcomeText(10060, Language::Japanese), "ネットワークエラー:10060");
    EXPECT_EQ(OutcomeText(-1, Language::Japanese), "ネットワークエラー:-1");
    EXPECT_EQ(OutcomeText(4, Language::Japanese), "ネットワークエラー:4");
}

TEST(OutcomeTextTest, EnglishTellsTheSameOutcomesApart) {
    EXPECT_EQ(OutcomeText(0, Language::English), "Completed normally");
    EXPECT_EQ(OutcomeText(1, Language::English), "TAVRO communication error");
    EXPECT_EQ(OutcomeText(2, Language::English), "Firmware file error");
    EXPECT_EQ(OutcomeText(3, Language::English), "Internal error");
    EXPECT_EQ(OutcomeText(10054, Language::English), "Network error: 10054");
}

struct CauseCase {
    UploadReport report;
    std::string english;
    std::string japanese;
};

TEST(CauseTextTest, EachCauseInPlainWordsInBothLanguages) {
    std::vector<CauseCase> cases;
    cases.push_back({Report(1, UploadCause::NoAnswer),
                     "198.18.0.10 did not answer the invitation after 10 tries",
                     "198.18.0.10 は 10 回の書き込み依頼に一度も応答しませんでした"});
    UploadReport bad = Report(1, UploadCause::BadAnswer);
    bad.deviceAnswer = "NG\x1b";
    cases.push_back({bad, "198.18.0.10 answered the invitation with \"<NG\x1b>\"",
                     "198.18.0.10 は書き込み依頼に \"<NG\x1b>\" と応答しました"});
    UploadReport unreadable = Report(1, UploadCause::UnreadableAnswer);
    unreadable.answerBytes = 62;
    cases.push_back({unreadable,
                     "198.18.0.10 answered the invitation with 62 bytes that are not a reply",
                     "198.18.0.10 は書き込み依頼に応答ではない 62 バイトを返しました"});
    UploadReport refused = Report(1, UploadCause::PasswordRefused);
    refused.deviceAnswer = "FAIL";
    cases.push_back({refused, "198.18.0.10 refused the password (its verdict: \"<FAIL>\")",
                     "198.18.0.10 がパスワードを拒否しました（応答 \"<FAIL>\"）"});
    UploadReport noVerdict = Report(10060, UploadCause::NoVerdict);
    noVerdict.bound = 3000ms;
    cases.push_back({noVerdict, "198.18.0.10 gave no verdict on the password within 3 s",
                     "198.18.0.10 から 3 秒以内にパスワードの判定が届きませんでした"});
    UploadReport closed = Report(10054, UploadCause::ConnectionClosed);
    closed.bytesAcknowledged = 1024;
    cases.push_back({closed, "the connection to 198.18.0.10 was closed after 1024 of 4096 bytes",
                     "198.18.0.10 との接続が 4096 バイト中 1024 バイトを送った時点で切れました"});
    UploadReport stalled = Report(10060, UploadCause::NoAcknowledgement);
    stalled.bytesAcknowledged = 2048;
    stalled.bound = 1500ms;
    cases.push_back(
        {stalled,
         "198.18.0.10 stopped acknowledging after 2048 of 4096 bytes (nothing within 1.5 s)",
         "198.18.0.10 は 4096 バイト中 2048 バイトを受け取った後、1.5 秒以内に応答しませんでした"});
    UploadReport noFinal = Report(10060, UploadCause::NoFinalWord);
    noFinal.bound = 30000ms;
    cases.push_back({noFinal, "198.18.0.10 took all 4096 bytes but gave no final word within 30 s",
                     "198.18.0.10 は 4096 バイトをすべて受け取りましたが、30 秒以内に最後の応答が"
                     "ありませんでした"});
    UploadReport finalWord = Report(1, UploadCause::BadFinalWord);
    finalWord.finalWord = "NG";
    cases.push_back({finalWord,
                     "198.18.0.10 took all 4096 bytes but its final word was \"<NG>\", not \"OK\"",
                     "198.18.0.10 は 4096 バイトをすべて受け取りましたが、最後の応答が \"OK\" "
                     "ではなく \"<NG>\" でした"});
    UploadReport taken = Report(10048, UploadCause::ListenerFailed);
    cases.push_back({taken, "port 198.18.0.1:40123 is already in use; choose another --local-port",
                     "ポート 198.18.0.1:40123 は既に使われています。別の --local-port "
                     "を選んでください"});
    cases.push_back({Report(3, UploadCause::DigestFailed), "computing an MD5 digest failed",
                     "MD5 ダイジェストの計算に失敗しました"});
    cases.push_back(
        {Report(10024, UploadCause::LocalShortage),
         "this computer ran out of open files (too many open files), not the device; "
         "end other programs or raise the limit on open files, then write again",
         "このコンピュータで同時に開けるファイルの数が上限に達しました"
         "（too many open files）。機器の問題ではありません。ほかのプログラムを終了するか"
         "上限を上げてから、もう一度書き込んでください"});
    cases.push_back({Report(10055, UploadCause::LocalShortage),
                     "this computer ran out of buffer memory (no buffer space available), not the "
                     "device; end other programs, then write again",
                     "このコンピュータのバッファ用のメモリが足りなくなりました"
                     "（no buffer space available）。機器の問題ではありません。"
                     "ほかのプログラムを終了してから、もう一度書き込んでください"});

    for (const CauseCase& c : cases) {
        EXPECT_EQ(CauseText(c.report, Language::English, Marked), c.english);
        EXPECT_EQ(CauseText(c.report, Language::Japanese, Marked), c.japanese);
    }
}

TEST(CauseTextTest, NoConnectionBackNamesThePortAFirewallMustLetIn) {
    UploadReport report = Report(10060, UploadCause::NoConnectBack);
    report.bound = 30000ms;
    EXPECT_EQ(CauseText(report, Language::English, Marked),
              "198.18.0.10 did not connect back within 30 s to 198.18.0.1:40123; if a firewall "
              "guards this computer, fix the port with --local-port PORT and let incoming TCP "
              "connections to it through (this time it was port 40123)");
    report.localPortChosen = true;
    EXPECT_EQ(CauseText(report, Language::English, Marked),
              "198.18.0.10 did not connect back within 30 s to 198.18.0.1:40123; if a firewall "
              "guards this computer, let incoming TCP connections to port 40123 through");
    EXPECT_EQ(CauseText(report, Language::Japanese, Marked),
              "198.18.0.10 は 30 秒以内に 198.18.0.1:40123 へ接続してきませんでした。"
              "ファイアウォールがあれば TCP ポート 40123 への着信を許可してください");
}

TEST(CauseTextTest, FileProblemsNameTheFileAndTheReason) {
    const std::vector<std::tuple<FileProblem, std::string, std::string>> problems = {
        {FileProblem::Missing, "no such file", "ファイルがありません"},
        {FileProblem::Directory, "it is a directory", "ファイルではなくディレクトリです"},
        {FileProblem::PermissionDenied, "permission denied", "読み取りが許可されていません"},
        {FileProblem::Empty, "the file is empty", "ファイルが空です"},
        {FileProblem::Changed, "the file changed during the upload",
         "書き込み中にファイルが変更されました"},
    };
    for (const auto& [problem, english, japanese] : problems) {
        UploadReport report = Report(2, UploadCause::FileUnusable);
        report.fileProblem = problem;
        EXPECT_EQ(CauseText(report, Language::English, Marked),
                  "the firmware file </tmp/f.bin>: " + english);
        EXPECT_EQ(CauseText(report, Language::Japanese, Marked),
                  "ファームウェアファイル </tmp/f.bin>: " + japanese);
    }
    UploadReport other = Report(2, UploadCause::FileUnusable);
    other.fileProblem = FileProblem::Other;
    other.fileReason = "Input/output error";
    EXPECT_EQ(CauseText(other, Language::English, Marked),
              "the firmware file </tmp/f.bin>: Input/output error");
}

TEST(CauseTextTest, ASuccessHasNoCause) {
    EXPECT_EQ(CauseText(Report(0, UploadCause::None), Language::English, Marked), "");
    EXPECT_EQ(CauseText(Report(0, UploadCause::None), Language::Japanese, Marked), "");
}

TEST(ProgressTextTest, WhatHappensWhileItHappens) {
    EXPECT_EQ(InvitingText("198.18.0.10", 3, 10, Language::English),
              "asking 198.18.0.10 to take the firmware (try 3 of 10)");
    EXPECT_EQ(AwaitingText("198.18.0.10", net::Ipv4Address::FromOctets(198, 18, 0, 1), 40123,
                           Language::English),
              "waiting for 198.18.0.10 to connect back to 198.18.0.1:40123");
    EXPECT_EQ(InvitingText("198.18.0.10", 3, 10, Language::Japanese),
              "198.18.0.10 にファームウェアの受け取りを依頼しています（10 回中 3 回目）");
    EXPECT_EQ(ProgressText(512, 1000, 0, Language::English),
              "[###############               ]  51%  512/1000 bytes");
    EXPECT_EQ(ProgressText(51200, 102400, 10240, Language::English),
              "[###############               ]  50%  50.0/100.0 KiB  10.0 KiB/s  0:05 left");
    EXPECT_EQ(ProgressText(3 * 1048576, 3 * 1048576, 2.5 * 1024 * 1024, Language::Japanese),
              "[##############################] 100%  3.0/3.0 MiB  2.5 MiB/s  残り 0:00");
}

TEST(ProgressTextTest, BoundsReadAsAUserWouldSayThem) {
    EXPECT_EQ(BoundText(30000ms, Language::English), "30 s");
    EXPECT_EQ(BoundText(1500ms, Language::English), "1.5 s");
    EXPECT_EQ(BoundText(200ms, Language::English), "200 ms");
    EXPECT_EQ(BoundText(30000ms, Language::Japanese), "30 秒");
}

}  // namespace
}  // namespace tavro::texts
