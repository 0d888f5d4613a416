#include "upload/firmware_transfer.h"

#include <algorithm>
#include <array>
#include <span>
#include <string>

#include "log/append_log.h"
#include "net/socket_error.h"
#include "upload/file_problem.h"
#include "upload/final_reply.h"
#include "upload/firmware_reader.h"
#include "upload/upload_error.h"

namespace tavro::upload {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::int32_t kBlockSize = 1024;

// The device acknowledges a block with its size as decimal text, so the read takes no more
// than that many characters and leaves what follows for the next read.
std::size_t AcknowledgementWidth(std::int32_t blockSize) {
    std::size_t digits = 1;
    while (blockSize >= 10) {
        blockSize /= 10;
        ++digits;
    }
    return digits;
}

int ProgressPercent(std::int32_t sent, std::int32_t total) {
    return static_cast<int>(std::int64_t{sent} * 100 / total);
}

std::chrono::milliseconds TimeLeft(Clock::time_point deadline) {
    return std::max(std::chrono::milliseconds(0),
                    std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()));
}

// The image is checked before its last block leaves, so a device never holds all of an image
// other than the one it was told of.
UploadResult CheckImageBeforeLastBlock(FirmwareReader& reader, const FirmwareImage& image,
                                       LogSink& log, UploadReport& report) {
    switch (reader.CompareDigest(image.digestHex)) {
        case FirmwareReader::Check::Same:
            return kUploadSucceeded;
        case FirmwareReader::Check::Changed:
            AppendLog(log, "file changed during the upload.\r\n");
            report.cause = UploadCause::FileUnusable;
            report.fileProblem = FileProblem::Changed;
            return kUploadFileError;
        case FirmwareReader::Check::DigestFailed:
            break;
    }
    AppendLog(log, "ERROR: getMD5\r\n");
    report.cause = UploadCause::DigestFailed;
    return kUploadInternalError;
}

// A wait on the device that ran out means it stopped answering; any other failure means the
// connection broke off.
void NoteBrokenTransfer(int error, UploadCause timedOut, std::chrono::milliseconds bound,
                        UploadReport& report) {
    if (error == net::kErrorTimedOut) {
        report.cause = timedOut;
        report.bound = bound;
    } else {
        report.cause = UploadCause::ConnectionClosed;
    }
}

// Stop and wait: one block in flight, the next one sent only once the device has acknowledged
// the last. The connection's receive timeout is the acknowledgement bound, so an
// acknowledgement that is already there costs one system call, as does each send.
UploadResult SendBlocks(FirmwareReader& reader, const FirmwareImage& image, net::Socket& connection,
                        UploadSink& sink, std::chrono::milliseconds bound, UploadReport& report) {
    std::array<char, 4> acknowledgement{};  // "1024", the widest
    std::int32_t remaining = image.length;
    std::int32_t sent = 0;
    while (remaining != 0) {
        sink.AppendText(".");
        const std::int32_t blockSize = std::min(remaining, kBlockSize);
        remaining -= blockSize;

        std::span<const char> block;
        if (!reader.NextBlock(static_cast<std::size_t>(blockSize), block)) {
            AppendLog(sink, "read error.\r\n");
            report.cause = UploadCause::FileUnusable;
            report.fileProblem = FileProblem::Changed;
            return kUploadFileError;
        }
        if (remaining == 0) {
            if (const UploadResult checked = CheckImageBeforeLastBlock(reader, image, sink, report);
                checked != kUploadSucceeded) {
                return checked;
            }
        }
        const net::IoResult out = connection.SendAllWithin(block, bound);
        if (!out.ok()) {
            AppendLog(sink, "send error.%d\r\n", out.error);
            NoteBrokenTransfer(out.error, UploadCause::NoAcknowledgement, bound, report);
            return out.error;
        }
        // The device is busy with the block now: the time to digest it.
        reader.DigestHandedOut();
        const net::IoResult in = connection.ReceiveBounded(
            std::span(acknowledgement.data(), AcknowledgementWidth(blockSize)), bound);
        // A device that closed or shut down its side has acknowledged nothing.
        const int failure = !in.ok() ? in.error : in.count == 0 ? net::kErrorConnectionReset : 0;
        if (failure != 0) {
            AppendLog(sink, "recv error.%d\r\n", failure);
            NoteBrokenTransfer(failure, UploadCause::NoAcknowledgement, bound, report);
            return failure;
        }
        sent += blockSize;
        report.bytesAcknowledged = sent;
        sink.SetProgress(ProgressPercent(sent, image.length));
        sink.BytesAcknowledged(sent, image.length);
    }
    return kUploadSucceeded;
}

// Reads the device's last word within the bound, as many reads as it takes to judge it.
UploadResult ReceiveFinalReply(net::Socket& connection, LogSink& log,
                               std::chrono::milliseconds bound, std::string& reply,
                               FinalReply& verdict) {
    const auto deadline = Clock::now() + bound;
    std::array<char, kFinalReplyWindow> area{};
    bool closed = false;
    while ((verdict = JudgeFinalReply(reply, closed)) == FinalReply::NeedMore) {
        const net::IoResult received = connection.ReceiveWithin(
            std::span(area.data(), area.size() - reply.size()), TimeLeft(deadline));
        if (!received.ok()) {
            AppendLog(log, "recv error.%d\r\n", received.error);
            return received.error;
        }
        closed = received.count == 0;
        reply.append(area.data(), received.count);
    }
    return kUploadSucceeded;
}

}  // namespace

UploadResult TransferFirmware(const std::string& path, const FirmwareImage& image,
                              ConnectBackListener::Expectation& expected,
                              const net::Endpoint& local, UploadSink& sink,
                              const UploadTimeouts& timeouts, UploadReport& report) {
    FirmwareReader reader(path, image.length);
    if (!reader.valid()) {
        if (reader.shortage() != 0) {
            report.cause = UploadCause::LocalShortage;
            return reader.shortage();
        }
        report.cause = UploadCause::FileUnusable;
        report.fileProblem = WhyUnreadable(path, report.fileReason);
        if (report.fileProblem == FileProblem::None) report.fileProblem = FileProblem::Changed;
        return kUploadFileError;
    }

    AppendLog(sink, "Waiting for device...\r\n");
    AppendLog(sink, "最初に用意していたTCPソケットに対して接続要求が来る。\r\n");
    AppendLog(sink, "要求だけでペイロードはないので注意すること。\r\n");
    sink.AwaitingConnection(local.address, local.port);
    int error = 0;
    net::Socket connection = expected.Accept(timeouts.connectBack, sink, error);
    if (!connection.valid()) {
        if (error == net::kErrorTimedOut) {
            report.cause = UploadCause::NoConnectBack;
            report.bound = timeouts.connectBack;
        } else {
            report.cause = UploadCause::ListenerFailed;
        }
        return EndWithSocketError(sink, error);
    }
    // Without its timeout an acknowledgement could be waited for for ever.
    if ((error = connection.SetReceiveTimeout(timeouts.acknowledgement)) != 0) {
        report.cause = UploadCause::ConnectionClosed;
        return EndWithSocketError(sink, error);
    }
    AppendLog(sink, "接続した。1024バイトずつファームウェアを送信。\r\n");

    UploadResult result =
        SendBlocks(reader, image, connection, sink, timeouts.acknowledgement, report);
    if (result != kUploadSucceeded) return result;
    AppendLog(sink, "\r\n");
    AppendLog(sink, "ファームウェアを送信終了。\r\n");

    std::string reply;
    FinalReply verdict = FinalReply::NeedMore;
    result = ReceiveFinalReply(connection, sink, timeouts.acknowledgement, reply, verdict);
    if (result != kUploadSucceeded) {
        NoteBrokenTransfer(result, UploadCause::NoFinalWord, timeouts.acknowledgement, report);
        return result;
    }
    AppendLog(sink,
              "OKの文字列がきたら相手はリセットがかかる（文字列の内容は確認してないけど）。\r\n");
    if (verdict != FinalReply::Ok) {
        // The trace shows the bytes as they came, whatever they are.
        sink.AppendText("Bad Answer: ");
        sink.AppendText(reply);
        sink.AppendText("\r\n");
        report.cause = UploadCause::BadFinalWord;
        report.finalWord = reply;
        return kUploadRefused;
    }
    connection.Close();
    AppendLog(sink, "全終了。\r\n");
    return kUploadSucceeded;
}

}  // namespace tavro::upload
