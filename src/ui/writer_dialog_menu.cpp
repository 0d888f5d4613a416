// The dialog's menu: the upload password, the connect-back port, the log pane and its saving.
#include <charconv>
#include <limits>

#include "ui/box_text.h"
#include "ui/writer_dialog.h"

namespace tavro::ui {
namespace {

constexpr char kPasswordCaption[] = "アップロードパスワード";
constexpr char kPasswordLabel[] = "デバイスのアップロードパスワード(&P):";
constexpr char kPortCaption[] = "接続ポート";
constexpr char kPortLabel[] = "デバイスが接続してくる TCP ポート (0: 自動)(&C):";
constexpr char kPortRefused[] = "0 から 65535 までの数を入力してください";
constexpr char kSaveFailed[] = "ログを保存できませんでした";
constexpr char kLogFilter[] = "Text file (*.txt)|*.txt|all files(*.*)|*.*||";
constexpr char kLogFileName[] = "tavro-writer-log.txt";

std::optional<std::uint16_t> PortNumber(const std::string& text) {
    unsigned value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end ||
        value > std::numeric_limits<std::uint16_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(value);
}

}  // namespace

MenuState WriterDialog::CurrentMenuState() const {
    return {.enabled = !m_searchBusy && !m_outcomePending && !uploadBusy(), .logShown = m_logShown};
}

void WriterDialog::OnMenu(MenuItem item) {
    // A choice that slipped in while a search or an upload runs changes nothing under it.
    if (!CurrentMenuState().enabled) return;
    switch (item) {
        case MenuItem::password:
            AskPassword();
            break;
        case MenuItem::connectPort:
            AskConnectPort();
            break;
        case MenuItem::showLog:
            ShowLog(!m_logShown);
            break;
        case MenuItem::saveLog:
            SaveLog();
            break;
    }
}

// The prompt starts empty and masked: the password is never shown, not even the one in use.
void WriterDialog::AskPassword() {
    const std::optional<std::string> given = m_controls.AskText(
        {.caption = kPasswordCaption, .label = kPasswordLabel, .initial = {}, .masked = true});
    if (given) m_password = *given;
}

void WriterDialog::AskConnectPort() {
    const std::optional<std::string> given =
        m_controls.AskText({.caption = kPortCaption,
                            .label = kPortLabel,
                            .initial = std::to_string(m_localPort),
                            .digitsOnly = true});
    if (!given) return;
    if (const std::optional<std::uint16_t> port = PortNumber(*given)) {
        m_localPort = *port;
    } else {
        m_controls.ShowMessage(kPortRefused, {}, MessageButtons::ok);
    }
}

void WriterDialog::ShowLog(bool show) {
    m_logShown = show;
    m_controls.Show(ControlId::log, show);
}

void WriterDialog::SaveLog() {
    const std::optional<std::string> path = m_controls.AskSaveFile(
        {.defaultExtension = "txt", .filter = kLogFilter, .suggestedName = kLogFileName});
    if (!path) return;
    if (const std::optional<std::string> failure =
            m_services.saveText(*path, ValidUtf8(m_logText))) {
        m_controls.ShowMessage(kSaveFailed, BoxText(*path) + "\n" + *failure, MessageButtons::ok);
    }
}

}  // namespace tavro::ui
