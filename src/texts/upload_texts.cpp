#include "texts/upload_texts.h"

#include <cstdio>

#include "net/socket_error.h"

namespace tavro::texts {
namespace {

using upload::FileProblem;
using upload::UploadCause;
using upload::UploadReport;

bool Japanese(Language language) { return language == Language::Japanese; }

std::string Count(std::int64_t value) { return std::to_string(value); }

std::string Quoted(std::string_view text, ShowForeignText show) { return "\"" + show(text) + "\""; }

std::string FileProblemText(const UploadReport& report, Language language) {
    const bool ja = Japanese(language);
    switch (report.fileProblem) {
        case FileProblem::Missing:
            return ja ? "ファイルがありません" : "no such file";
        case FileProblem::Directory:
            return ja ? "ファイルではなくディレクトリです" : "it is a directory";
        case FileProblem::PermissionDenied:
            return ja ? "読み取りが許可されていません" : "permission denied";
        case FileProblem::Empty:
            return ja ? "ファイルが空です" : "the file is empty";
        case FileProblem::TooLarge:
            return ja ? "2 GiB 以上のファイルは書き込めません"
                      : "the file is 2 GiB or larger, more than a device can take";
        case FileProblem::Changed:
            return ja ? "書き込み中にファイルが変更されました"
                      : "the file changed during the upload";
        case FileProblem::SizeMismatch:
            return ja ? "ファイルの大きさと読み取れた中身のバイト数が一致しません"
                      : "its size is not the number of bytes it holds";
        case FileProblem::Other:
        case FileProblem::None:
            break;
    }
    return report.fileReason.empty() ? (ja ? "読み取れません" : "it cannot be read")
                                     : report.fileReason;
}

// Where the user fixes the connect-back port, in the words of each front end. The Japanese
// option name stands between spaces, the menu's name does not.
std::string PortSettingName(PortSetting setting, Language language) {
    if (setting == PortSetting::dialogMenu) {
        return Japanese(language) ? "メニューの「接続ポート」" : "the menu's connection port item";
    }
    return Japanese(language) ? " --local-port " : "--local-port PORT";
}

// The connect-back port is the one a firewall has to let in; a fixed port can be let in ahead.
std::string FirewallHint(const UploadReport& report, Language language, PortSetting setting) {
    const std::string port = std::to_string(report.localPort);
    const std::string where = PortSettingName(setting, language);
    if (Japanese(language)) {
        return report.localPortChosen
                   ? "ファイアウォールがあれば TCP ポート " + port + " への着信を許可してください"
                   : "ファイアウォールがあれば" + where +
                         "でポートを固定し、そのポートへの TCP "
                         "着信を許可してください（今回はポート " +
                         port + "）";
    }
    return report.localPortChosen
               ? "if a firewall guards this computer, let incoming TCP connections to port " +
                     port + " through"
               : "if a firewall guards this computer, fix the port with " + where +
                     " and let incoming TCP connections to it through (this time it was port " +
                     port + ")";
}

std::string ListenerText(const UploadReport& report, Language language, PortSetting setting) {
    const std::string where =
        report.localAddress.ToString() + ":" + std::to_string(report.localPort);
    if (report.result == net::kErrorAddressInUse) {
        if (setting == PortSetting::dialogMenu) {
            return Japanese(language)
                       ? "ポート " + where + " は既に使われています。" +
                             PortSettingName(setting, language) + "で別のポートを選んでください"
                       : "port " + where + " is already in use; choose another one in " +
                             PortSettingName(setting, language);
        }
        return Japanese(language)
                   ? "ポート " + where + " は既に使われています。別の --local-port を選んでください"
                   : "port " + where + " is already in use; choose another --local-port";
    }
    if (report.result == net::kErrorAddressNotAvailable) {
        return Japanese(language)
                   ? report.localAddress.ToString() + " はこのコンピュータのアドレスではありません"
                   : report.localAddress.ToString() + " is not an address of this computer";
    }
    return Japanese(language) ? where + " で接続を待ち受けられませんでした"
                              : "could not listen for the device on " + where;
}

// A shortage of this computer's own is no fault of the device's; the system's words stand
// beside ours, as they are what the user finds when looking the trouble up.
std::string ShortageText(const UploadReport& report, Language language) {
    const bool descriptors = report.result == net::kErrorTooManySockets;
    if (Japanese(language)) {
        return descriptors
                   ? "このコンピュータで同時に開けるファイルの数が上限に達しました"
                     "（too many open files）。機器の問題ではありません。"
                     "ほかのプログラムを終了するか上限を上げてから、もう一度書き込んでください"
                   : "このコンピュータのバッファ用のメモリが足りなくなりました"
                     "（no buffer space available）。機器の問題ではありません。"
                     "ほかのプログラムを終了してから、もう一度書き込んでください";
    }
    return descriptors ? "this computer ran out of open files (too many open files), not the "
                         "device; end other programs or raise the limit on open files, then "
                         "write again"
                       : "this computer ran out of buffer memory (no buffer space available), "
                         "not the device; end other programs, then write again";
}

std::string JapaneseCause(const UploadReport& r, ShowForeignText show, PortSetting setting) {
    const std::string dev = r.device.ToString();
    const std::string bound = BoundText(r.bound, Language::Japanese);
    const std::string bytes =
        Count(r.bytesTotal) + " バイト中 " + Count(r.bytesAcknowledged) + " バイト";
    switch (r.cause) {
        case UploadCause::None:
            return {};
        case UploadCause::FileUnusable:
            return "ファームウェアファイル " + show(r.filePath) + ": " +
                   FileProblemText(r, Language::Japanese);
        case UploadCause::DigestFailed:
            return "MD5 ダイジェストの計算に失敗しました";
        case UploadCause::ListenerFailed:
            return ListenerText(r, Language::Japanese, setting);
        case UploadCause::InvitationFailed:
            return dev + " との UDP のやりとりに失敗しました";
        case UploadCause::NoAnswer:
            return dev + " は " + std::to_string(r.tries) +
                   " 回の書き込み依頼に一度も応答しませんでした";
        case UploadCause::BadAnswer:
            return dev + " は書き込み依頼に " + Quoted(r.deviceAnswer, show) + " と応答しました";
        case UploadCause::UnreadableAnswer:
            return dev + " は書き込み依頼に応答ではない " + Count(r.answerBytes) +
                   " バイトを返しました";
        case UploadCause::NoVerdict:
            return dev + " から " + bound + "以内にパスワードの判定が届きませんでした";
        case UploadCause::PasswordRefused:
            return dev + " がパスワードを拒否しました（応答 " + Quoted(r.deviceAnswer, show) + "）";
        case UploadCause::NoConnectBack:
            return dev + " は " + bound + "以内に " + r.localAddress.ToString() + ":" +
                   std::to_string(r.localPort) + " へ接続してきませんでした。" +
                   FirewallHint(r, Language::Japanese, setting);
        case UploadCause::ConnectionClosed:
            return dev + " との接続が " + bytes + "を送った時点で切れました";
        case UploadCause::NoAcknowledgement:
            return dev + " は " + bytes + "を受け取った後、" + bound + "以内に応答しませんでした";
        case UploadCause::NoFinalWord:
            return dev + " は " + Count(r.bytesTotal) + " バイトをすべて受け取りましたが、" +
                   bound + "以内に最後の応答がありませんでした";
        case UploadCause::BadFinalWord:
            return dev + " は " + Count(r.bytesTotal) +
                   " バイトをすべて受け取りましたが、最後の応答が " + "\"OK\" ではなく " +
                   Quoted(r.finalWord, show) + " でした";
        case UploadCause::LocalShortage:
            return ShortageText(r, Language::Japanese);
    }
    return {};
}

std::string EnglishCause(const UploadReport& r, ShowForeignText show, PortSetting setting) {
    const std::string dev = r.device.ToString();
    const std::string bound = BoundText(r.bound, Language::English);
    const std::string bytes = Count(r.bytesAcknowledged) + " of " + Count(r.bytesTotal) + " bytes";
    switch (r.cause) {
        case UploadCause::None:
            return {};
        case UploadCause::FileUnusable:
            return "the firmware file " + show(r.filePath) + ": " +
                   FileProblemText(r, Language::English);
        case UploadCause::DigestFailed:
            return "computing an MD5 digest failed";
        case UploadCause::ListenerFailed:
            return ListenerText(r, Language::English, setting);
        case UploadCause::InvitationFailed:
            return "the exchange with " + dev + " over UDP failed";
        case UploadCause::NoAnswer:
            return dev + " did not answer the invitation after " + std::to_string(r.tries) +
                   " tries";
        case UploadCause::BadAnswer:
            return dev + " answered the invitation with " + Quoted(r.deviceAnswer, show);
        case UploadCause::UnreadableAnswer:
            return dev + " answered the invitation with " + Count(r.answerBytes) +
                   " bytes that are not a reply";
        case UploadCause::NoVerdict:
            return dev + " gave no verdict on the password within " + bound;
        case UploadCause::PasswordRefused:
            return dev + " refused the password (its verdict: " + Quoted(r.deviceAnswer, show) +
                   ")";
        case UploadCause::NoConnectBack:
            return dev + " did not connect back within " + bound + " to " +
                   r.localAddress.ToString() + ":" + std::to_string(r.localPort) + "; " +
                   FirewallHint(r, Language::English, setting);
        case UploadCause::ConnectionClosed:
            return "the connection to " + dev + " was closed after " + bytes;
        case UploadCause::NoAcknowledgement:
            return dev + " stopped acknowledging after " + bytes + " (nothing within " + bound +
                   ")";
        case UploadCause::NoFinalWord:
            return dev + " took all " + Count(r.bytesTotal) +
                   " bytes but gave no final word within " + bound;
        case UploadCause::BadFinalWord:
            return dev + " took all " + Count(r.bytesTotal) + " bytes but its final word was " +
                   Quoted(r.finalWord, show) + ", not \"OK\"";
        case UploadCause::LocalShortage:
            return ShortageText(r, Language::English);
    }
    return {};
}

std::string Clock(double seconds) {
    const auto whole = static_cast<long long>(seconds + 0.5);
    char text[32];
    if (whole >= 3600) {
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                      whole % 60);
    } else {
        std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
    }
    return text;
}

std::string Rate(double bytesPerSecond) {
    char text[32];
    if (bytesPerSecond >= 1024.0 * 1024.0) {
        std::snprintf(text, sizeof text, "%.1f MiB/s", bytesPerSecond / (1024.0 * 1024.0));
    } else {
        std::snprintf(text, sizeof text, "%.1f KiB/s", bytesPerSecond / 1024.0);
    }
    return text;
}

// "51.2/100.0 KiB": both counts in the unit that suits the total, so the eye compares them.
std::string SizesText(std::int64_t part, std::int64_t total, Language language) {
    constexpr double kKiB = 1024.0;
    constexpr double kMiB = 1024.0 * 1024.0;
    if (total < 1024)
        return Count(part) + "/" + Count(total) + (Japanese(language) ? " バイト" : " bytes");
    const double unit = total < 1024 * 1024 ? kKiB : kMiB;
    char text[64];
    std::snprintf(text, sizeof text, "%.1f/%.1f %s", static_cast<double>(part) / unit,
                  static_cast<double>(total) / unit, unit == kKiB ? "KiB" : "MiB");
    return text;
}

}  // namespace

std::string OutcomeText(upload::UploadResult result, Language language) {
    const bool ja = Japanese(language);
    switch (result) {
        case upload::kUploadSucceeded:
            return ja ? "正常終了" : "Completed normally";
        case upload::kUploadRefused:
            return ja ? "TAVRO通信エラー" : "TAVRO communication error";
        case upload::kUploadFileError:
            return ja ? "ファームウェアファイルエラー" : "Firmware file error";
        case upload::kUploadInternalError:
            return ja ? "内部エラー" : "Internal error";
        default:
            return (ja ? "ネットワークエラー:" : "Network error: ") + std::to_string(result);
    }
}

std::string CauseText(const upload::UploadReport& report, Language language, ShowForeignText show) {
    return CauseText(report, language, show, PortSetting::commandLineOption);
}

std::string CauseText(const upload::UploadReport& report, Language language, ShowForeignText show,
                      PortSetting portSetting) {
    if (report.result == upload::kUploadSucceeded) return {};
    return Japanese(language) ? JapaneseCause(report, show, portSetting)
                              : EnglishCause(report, show, portSetting);
}

std::string InterruptedText(Language language) {
    return Japanese(language) ? "中断されました" : "interrupted";
}

std::string InvitingText(std::string_view device, int attempt, int attempts, Language language) {
    const std::string dev(device);
    if (Japanese(language)) {
        return dev + " にファームウェアの受け取りを依頼しています（" + std::to_string(attempts) +
               " 回中 " + std::to_string(attempt) + " 回目）";
    }
    return "asking " + dev + " to take the firmware (try " + std::to_string(attempt) + " of " +
           std::to_string(attempts) + ")";
}

std::string AwaitingText(std::string_view device, net::Ipv4Address localAddress, std::uint16_t port,
                         Language language) {
    const std::string where = localAddress.ToString() + ":" + std::to_string(port);
    if (Japanese(language))
        return std::string(device) + " が " + where + " へ接続してくるのを待っています";
    return "waiting for " + std::string(device) + " to connect back to " + where;
}

std::string ProgressText(std::int64_t acknowledged, std::int64_t total, double bytesPerSecond,
                         Language language) {
    constexpr int kWidth = 30;
    const int percent = total > 0 ? static_cast<int>(acknowledged * 100 / total) : 100;
    const int filled = percent * kWidth / 100;
    char head[64];
    std::snprintf(head, sizeof head, "] %3d%%  ", percent);
    std::string line = "[" + std::string(filled, '#') + std::string(kWidth - filled, ' ') + head +
                       SizesText(acknowledged, total, language);
    if (bytesPerSecond > 0) {
        const double left = static_cast<double>(total - acknowledged) / bytesPerSecond;
        line += "  " + Rate(bytesPerSecond) + "  " +
                (Japanese(language) ? "残り " + Clock(left) : Clock(left) + " left");
    }
    return line;
}

std::string BoundText(std::chrono::milliseconds bound, Language language) {
    const long long ms = bound.count();
    char text[32];
    if (ms % 1000 == 0) {
        std::snprintf(text, sizeof text, "%lld %s", ms / 1000, Japanese(language) ? "秒" : "s");
    } else if (ms >= 1000) {
        std::snprintf(text, sizeof text, "%.1f %s", static_cast<double>(ms) / 1000.0,
                      Japanese(language) ? "秒" : "s");
    } else {
        std::snprintf(text, sizeof text, "%lld %s", ms, Japanese(language) ? "ミリ秒" : "ms");
    }
    return text;
}

}  // namespace tavro::texts
