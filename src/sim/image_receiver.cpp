#include "sim/image_receiver.h"

#include <sys/socket.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "sim/bounded_wait.h"
#include "sim/md5_hex.h"
#include "sim/quoted.h"

namespace tavro::sim {
namespace {

constexpr std::size_t kBlockSize = 1024;

// An abortive close: the writer sees its connection reset, as when a device loses power.
void Abort(net::Socket& connection) {
    const linger hard{1, 0};
    ::setsockopt(connection.fd(), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    connection.Close();
}

class Transfer {
public:
    Transfer(const DeviceSettings& settings, const Invitation& invitation, EventLog& events,
             std::stop_token stop)
        : settings_(settings), invitation_(invitation), events_(events), stop_(stop) {}

    void Run(const net::Endpoint& writer) {
        if (!Connect(writer)) return;
        if (!ReceiveBlocks()) return;
        Finish();
    }

private:
    void Record(std::string_view event, std::string_view detail = {}) {
        events_.Record(settings_.addressText, event, detail);
    }

    bool Connect(const net::Endpoint& writer) {
        int error = 0;
        connection_ = net::Socket::Create(SOCK_STREAM, error);
        const std::uint32_t from =
            settings_.connectFromText.empty() ? settings_.address : settings_.connectFrom;
        if (error == 0) error = connection_.Bind(net::Endpoint{from, 0});
        if (error == 0) error = connection_.Connect(writer, kPeerLimit);
        if (error != 0) {
            Record("connect-failed", EndpointText(writer) + " " + std::to_string(error));
            return false;
        }
        net::Endpoint local;
        connection_.GetLocalEndpoint(local);
        Record("connected", EndpointText(writer) + " from " + EndpointText(local));
        return true;
    }

    bool AbortDue() {
        if (!settings_.closeAfter || image_.size() < *settings_.closeAfter) return false;
        // Noted first: the writer may finish before a line written after the reset.
        Record("aborted-after", std::to_string(image_.size()));
        Abort(connection_);
        return true;
    }

    // Reads exactly one block; false when the writer stopped short or the device aborted.
    bool ReceiveBlock(std::size_t size) {
        std::size_t got = 0;
        char area[kBlockSize];
        while (got < size) {
            if (AbortDue()) return false;
            std::size_t want = size - got;
            if (settings_.closeAfter)
                want = std::min<std::size_t>(want, *settings_.closeAfter - image_.size());
            if (WaitReadable(connection_, kPeerLimit, stop_) != WaitOutcome::Ready) {
                Record("transfer-short", std::to_string(image_.size()) + " of " +
                                             std::to_string(invitation_.length) + " (quiet)");
                return false;
            }
            const net::IoResult read = connection_.Receive(std::span<char>(area, want));
            if (!read.ok() || read.count == 0) {
                Record("transfer-short", std::to_string(image_.size()) + " of " +
                                             std::to_string(invitation_.length) + " (closed)");
                return false;
            }
            image_.append(area, read.count);
            got += read.count;
        }
        Record("block", std::to_string(size));
        return !AbortDue();
    }

    bool ReceiveBlocks() {
        while (image_.size() < invitation_.length) {
            const std::size_t size =
                std::min<std::uint64_t>(kBlockSize, invitation_.length - image_.size());
            if (!ReceiveBlock(size)) return false;
            if (!Pause(std::chrono::milliseconds(settings_.ackDelayMs), stop_)) return false;
            const std::string ack = std::to_string(size);
            if (!connection_.SendAll(ack).ok()) {
                Record("ack-failed", ack);
                return false;
            }
            Record("ack", ack);
        }
        return !AbortDue();
    }

    bool Verified() {
        const std::string md5 = Md5Hex(image_);
        if (md5 != invitation_.md5Hex) {
            Record("image-mismatch", std::to_string(image_.size()) + " " + md5);
            return false;
        }
        Record("image-ok", std::to_string(image_.size()) + " " + md5);
        return true;
    }

    void Store() {
        if (settings_.storeDirectory.empty()) return;
        const std::string path = settings_.storeDirectory + "/" + settings_.addressText + ".bin";
        std::error_code ignored;  // a directory that cannot be made shows as a failed store
        std::filesystem::create_directories(settings_.storeDirectory, ignored);
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(image_.data(), static_cast<std::streamsize>(image_.size()));
        file.close();
        Record(file ? "image-stored" : "image-store-failed", path);
    }

    void Finish() {
        const bool verified = Verified();
        if (verified) Store();
        if (settings_.noFinal) {
            Record("final-withheld");
            char area[64];
            while (WaitReadable(connection_, kPeerLimit, stop_) == WaitOutcome::Ready) {
                const net::IoResult read = connection_.Receive(area);
                if (!read.ok() || read.count == 0) break;
            }
            return;
        }
        const std::string final = verified ? "OK" : "NG";
        Record("final-sent", Quoted(final));
        connection_.SendAll(final);
    }

    const DeviceSettings& settings_;
    const Invitation& invitation_;
    EventLog& events_;
    std::stop_token stop_;
    net::Socket connection_;
    std::string image_;
};

}  // namespace

void ReceiveImage(const DeviceSettings& settings, const Invitation& invitation,
                  const net::Endpoint& writer, EventLog& events, std::stop_token stop) {
    Transfer(settings, invitation, events, stop).Run(writer);
}

}  // namespace tavro::sim
