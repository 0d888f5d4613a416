#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "firmware_files.h"
#include "scripted_device.h"
#include "upload/run_upload.h"

namespace tavro::test {

using namespace std::chrono_literals;

// Keeps everything an upload reports, for the test to compare.
class RecordingSink : public upload::UploadSink {
public:
    void AppendText(std::string_view text) override { log += text; }
    void SetProgress(int percent) override { progress.push_back(percent); }
    void ShowError(std::string_view text) override { errors.emplace_back(text); }

    std::string log;
    std::vector<int> progress;
    std::vector<std::string> errors;
};

inline const std::string kOkNote = "OKが帰ってきたときはそのまま送る。\r\n";
inline const std::string kAuthNote =
    "AUTHが帰ってきたときは認証パスワードをMD5エンコードして他にもいろいろやって送る。\r\n";
inline const std::string kWritingStarts = "ここから書き込み。\r\n";
inline const std::string kWaitingLines =
    "Waiting for device...\r\n"
    "最初に用意していたTCPソケットに対して接続要求が来る。\r\n"
    "要求だけでペイロードはないので注意すること。\r\n";
inline const std::string kConnected = "接続した。1024バイトずつファームウェアを送信。\r\n";

inline std::string PreparationLog(std::size_t length, const std::string& digestHex, int localPort) {
    return "まずファイルのMD5を計算する。\r\n"
           "size " +
           std::to_string(length) + " :file MD5: " + digestHex + "\r\n" +
           "後で使うTCPサーバソケットをここで起動してポート番号を確定しておく必要がある。\r\n"
           "socket :ok\r\n"
           "bind \"127.0.0.1\":ok\r\n"
           "getsockname :ok: localPort = " +
           std::to_string(localPort) + "\r\n" +
           "listen :ok\r\n"
           "UDPで相手にアクセス。ファームウェアを送るぞ告知。\r\n"
           "socket :ok\r\n";
}

inline std::string TransferLog(std::size_t blocks) {
    return kWritingStarts + kWaitingLines + kConnected + std::string(blocks, '.') + "\r\n" +
           "ファームウェアを送信終了。\r\n"
           "OKの文字列がきたら相手はリセットがかかる（文字列の内容は確認してないけど）。\r\n"
           "全終了。\r\n";
}

inline std::string InvitationFor(int localPort, std::size_t length, const std::string& digestHex) {
    return "0 " + std::to_string(localPort) + " " + std::to_string(length) + " " + digestHex + "\n";
}

inline std::size_t Count(const std::string& text, const std::string& piece) {
    std::size_t count = 0;
    for (auto at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) {
        ++count;
    }
    return count;
}

// One upload against a scripted device on 127.0.0.1, with short bounds and a timed run.
class RunUploadTest : public ::testing::Test {
protected:
    std::string WriteFirmware(std::size_t length) {
        bytes_ = FirmwareBytes(length);
        path_ = directory_.Write("firmware.bin", bytes_);
        return path_;
    }

    upload::UploadRequest RequestFor(const ScriptedDevice& device) const {
        upload::UploadRequest request;
        request.deviceAddress = net::kLoopbackAddress;
        request.localAddress = net::kLoopbackAddress;
        request.devicePort = device.port();
        request.firmwarePath = path_;
        return request;
    }

    upload::UploadResult Upload(const upload::UploadRequest& request) {
        const auto start = std::chrono::steady_clock::now();
        const upload::UploadResult result = upload::RunUpload(request, sink_, timeouts_);
        elapsed_ = std::chrono::steady_clock::now() - start;
        return result;
    }

    ScratchDirectory directory_;
    std::string bytes_;
    std::string path_;
    RecordingSink sink_;
    upload::UploadTimeouts timeouts_{2000ms, 5000ms, 5000ms};
    std::chrono::steady_clock::duration elapsed_{};
};

}  // namespace tavro::test
