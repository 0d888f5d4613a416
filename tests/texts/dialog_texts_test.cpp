#include "texts/dialog_texts.h"

#include <gtest/gtest.h>

#include <string_view>

#include "texts/upload_texts.h"

namespace tavro::texts {
namespace {

using namespace std::chrono_literals;

std::string Plain(std::string_view text) { return std::string(text); }

upload::UploadReport ListenerReport(upload::UploadResult result, upload::UploadCause cause) {
    upload::UploadReport report;
    report.result = result;
    report.cause = cause;
    report.device = *net::Ipv4Address::Parse("198.18.0.10");
    report.localAddress = *net::Ipv4Address::Parse("198.18.0.1");
    report.localPort = 40123;
    report.bound = 30000ms;
    return report;
}

TEST(DialogTextsTest, SuccessAndSizeLines) {
    EXPECT_EQ(WrittenText("198.18.0.10", 102400, 2.345, Language::Japanese),
              "198.18.0.10 に 102400 バイトを 2.3 秒で書き込みました");
    EXPECT_EQ(WrittenText("198.18.0.10", 102400, 2.345, Language::English),
              "wrote 102400 bytes into 198.18.0.10 in 2.3 s");
    EXPECT_EQ(FileSizeText(4096, Language::Japanese), "4096 バイト");
}

// The dialog has no --local-port: its advice names the menu item instead.
TEST(DialogTextsTest, PortAdviceInTheDialogNamesTheMenu) {
    const upload::UploadReport silent = ListenerReport(10060, upload::UploadCause::NoConnectBack);
    EXPECT_EQ(CauseText(silent, Language::Japanese, Plain, PortSetting::dialogMenu),
              "198.18.0.10 は 30 秒以内に 198.18.0.1:40123 へ接続してきませんでした。"
              "ファイアウォールがあればメニューの「接続ポート」でポートを固定し、そのポートへの "
              "TCP 着信を許可してください（今回はポート 40123）");
    EXPECT_EQ(CauseText(silent, Language::Japanese, Plain),
              "198.18.0.10 は 30 秒以内に 198.18.0.1:40123 へ接続してきませんでした。"
              "ファイアウォールがあれば --local-port でポートを固定し、そのポートへの TCP "
              "着信を許可してください（今回はポート 40123）");
    const upload::UploadReport taken = ListenerReport(10048, upload::UploadCause::ListenerFailed);
    EXPECT_EQ(CauseText(taken, Language::Japanese, Plain, PortSetting::dialogMenu),
              "ポート 198.18.0.1:40123 は既に使われています。"
              "メニューの「接続ポート」で別のポートを選んでください");
}

}  // namespace
}  // namespace tavro::texts
