#include "upload/firmware_transfer.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <span>
#include <string>

#include "log/append_log.h"
#include "upload/upload_error.h"

namespace tavro {
namespace {

constexpr std::int32_t kBlockSize = 1024;
// The device's last word before it resets; its content is not looked at.
constexpr std::size_t kFinalReplyWindow = 2;

struct FileClose {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileClose>;

// The device acknowledges a block with its size as decimal text, so the read takes no more
// than that many characters and leaves what follows for the next read.
std::size_t AcknowledgementWidth(std::int32_t blockSize) {
    return std::to_string(blockSize).size();
}

int ProgressPercent(std::int32_t sent, std::int32_t total) {
    return static_cast<int>(std::int64_t{sent} * 100 / total);
}

// Stop and wait: one block in flight, the next one read from the file only once the device
// has acknowledged the last.
UploadResult SendBlocks(std::FILE* file, std::int32_t length, net::Socket& connection,
                        UploadSink& sink, std::chrono::milliseconds acknowledgementTimeout) {
    std::array<char, kBlockSize> buffer{};
    std::int32_t remaining = length;
    std::int32_t sent = 0;
    while (remaining != 0) {
        AppendLog(sink, ".");
        const std::int32_t blockSize = std::min(remaining, kBlockSize);
        remaining -= blockSize;

        const auto block = std::span(buffer.data(), static_cast<std::size_t>(blockSize));
        if (std::fread(block.data(), 1, block.size(), file) != block.size()) {
            AppendLog(sink, "read error.\r\n");
            return kUploadFileError;
        }
        const net::IoResult out = connection.SendAll(block);
        if (!out.ok()) {
            AppendLog(sink, "send error.%d\r\n", out.error);
            return out.error;
        }
        const net::IoResult acknowledgement = connection.ReceiveWithin(
            std::span(buffer.data(), AcknowledgementWidth(blockSize)), acknowledgementTimeout);
        if (!acknowledgement.ok()) {
            AppendLog(sink, "recv error.%d\r\n", acknowledgement.error);
            return acknowledgement.error;
        }
        sent += blockSize;
        sink.SetProgress(ProgressPercent(sent, length));
    }
    return kUploadSucceeded;
}

UploadResult ReceiveFinalReply(net::Socket& connection, LogSink& log,
                               std::chrono::milliseconds acknowledgementTimeout) {
    std::array<char, kFinalReplyWindow> reply{};
    const net::IoResult received = connection.ReceiveWithin(reply, acknowledgementTimeout);
    if (!received.ok()) {
        AppendLog(log, "recv error.%d\r\n", received.error);
        return received.error;
    }
    return kUploadSucceeded;
}

}  // namespace

UploadResult TransferFirmware(const std::string& path, std::int32_t length, net::Socket& listener,
                              UploadSink& sink, const UploadTimeouts& timeouts) {
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) return kUploadFileError;

    AppendLog(sink, "Waiting for device...\r\n");
    AppendLog(sink, "最初に用意していたTCPソケットに対して接続要求が来る。\r\n");
    AppendLog(sink, "要求だけでペイロードはないので注意すること。\r\n");
    // Whoever connects first is served; the device may come back from another address.
    int error = 0;
    net::Socket connection = listener.Accept(timeouts.connectBack, error);
    if (!connection.valid()) {
        file.reset();
        return EndWithSocketError(sink, error);
    }
    AppendLog(sink, "接続した。1024バイトずつファームウェアを送信。\r\n");

    UploadResult result =
        SendBlocks(file.get(), length, connection, sink, timeouts.acknowledgement);
    if (result != kUploadSucceeded) return result;
    AppendLog(sink, "\r\n");
    AppendLog(sink, "ファームウェアを送信終了。\r\n");

    result = ReceiveFinalReply(connection, sink, timeouts.acknowledgement);
    if (result != kUploadSucceeded) return result;
    AppendLog(sink,
              "OKの文字列がきたら相手はリセットがかかる（文字列の内容は確認してないけど）。\r\n");
    file.reset();
    connection.Close();
    AppendLog(sink, "全終了。\r\n");
    return kUploadSucceeded;
}

}  // namespace tavro
